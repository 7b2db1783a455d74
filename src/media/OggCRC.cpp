#include "media/OggCRC.h"

#include <array>
#include <cstddef>

namespace orvane::media {

namespace {

constexpr std::size_t kCRCFieldStart = 22;
constexpr std::size_t kCRCFieldEnd = 26;

// tables[k][b]: the CRC of byte b followed by k zero bytes.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables makeTables() {
    Tables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t r = i << 24;
        for (int k = 0; k < 8; ++k)
            r = (r & 0x80000000u) ? (r << 1) ^ 0x04c11db7u : r << 1;
        t[0][i] = r;
    }
    for (std::size_t k = 1; k < 8; ++k) {
        for (std::size_t i = 0; i < 256; ++i)
            t[k][i] = (t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 24];
    }
    return t;
}

constexpr Tables kTables = makeTables();

std::uint32_t update(std::uint32_t crc, std::uint8_t byte) {
    return (crc << 8) ^ kTables[0][((crc >> 24) ^ byte) & 0xff];
}

std::uint32_t word(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 |
           std::uint32_t{b[at + 2]} << 8 | std::uint32_t{b[at + 3]};
}

} // namespace

std::uint32_t oggPageCRC(std::span<const std::uint8_t> page) {
    std::uint32_t crc = 0;
    std::size_t i = 0;
    // The header, with the CRC field as zeros.
    for (; i < page.size() && i < kCRCFieldEnd; ++i)
        crc = update(crc, i >= kCRCFieldStart ? 0 : page[i]);
    for (; i + 8 <= page.size(); i += 8) {
        const std::uint32_t one = crc ^ word(page, i);
        const std::uint32_t two = word(page, i + 4);
        crc = kTables[7][one >> 24] ^ kTables[6][(one >> 16) & 0xff] ^
              kTables[5][(one >> 8) & 0xff] ^ kTables[4][one & 0xff] ^ kTables[3][two >> 24] ^
              kTables[2][(two >> 16) & 0xff] ^ kTables[1][(two >> 8) & 0xff] ^
              kTables[0][two & 0xff];
    }
    for (; i < page.size(); ++i)
        crc = update(crc, page[i]);
    return crc;
}

} // namespace orvane::media
