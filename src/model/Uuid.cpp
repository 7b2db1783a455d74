#include "model/Uuid.h"

#include <cstring>
#include <mutex>
#include <random>

namespace orvane {

namespace {

// The value of each byte as a hexadecimal digit, 0xFF for any other byte: every track of
// the state file has an id, so a library of 100,000 tracks parses as many.
constexpr std::array<std::uint8_t, 256> hexDigits = [] {
    std::array<std::uint8_t, 256> table{};
    table.fill(0xFF);
    for (int i = 0; i < 10; ++i)
        table[static_cast<std::size_t>('0' + i)] = static_cast<std::uint8_t>(i);
    for (int i = 0; i < 6; ++i) {
        table[static_cast<std::size_t>('a' + i)] = static_cast<std::uint8_t>(10 + i);
        table[static_cast<std::size_t>('A' + i)] = static_cast<std::uint8_t>(10 + i);
    }
    return table;
}();

// Where the two digits of each byte start in the text form.
constexpr std::array<std::size_t, 16> digitPositions{0,  2,  4,  6,  9,  11, 14, 16,
                                                     19, 21, 24, 26, 28, 30, 32, 34};

} // namespace

Uuid Uuid::random() {
    // One generator per thread, seeded from the system's entropy source.
    thread_local std::mt19937_64 generator{[] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }()};
    std::array<std::uint8_t, 16> bytes{};
    const std::uint64_t high = generator();
    const std::uint64_t low = generator();
    std::memcpy(bytes.data(), &high, 8);
    std::memcpy(bytes.data() + 8, &low, 8);
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    return Uuid(bytes);
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != 36)
        return std::nullopt;
    if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return std::nullopt;
    std::array<std::uint8_t, 16> bytes{};
    unsigned invalid = 0;
    for (std::size_t i = 0; i < 16; ++i) {
        const std::uint8_t high = hexDigits[static_cast<unsigned char>(text[digitPositions[i]])];
        const std::uint8_t low = hexDigits[static_cast<unsigned char>(text[digitPositions[i] + 1])];
        invalid |= static_cast<unsigned>(high | low);
        bytes[i] = static_cast<std::uint8_t>((high << 4) | (low & 0x0F));
    }
    if (invalid > 0x0F)
        return std::nullopt;
    return Uuid(bytes);
}

std::string Uuid::toString() const {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text.push_back('-');
        text.push_back(digits[bytes_[i] >> 4]);
        text.push_back(digits[bytes_[i] & 0x0F]);
    }
    return text;
}

bool Uuid::isNil() const {
    for (auto b : bytes_)
        if (b != 0)
            return false;
    return true;
}

std::size_t UuidHash::operator()(const Uuid& id) const noexcept {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    std::memcpy(&high, id.bytes().data(), 8);
    std::memcpy(&low, id.bytes().data() + 8, 8);
    return static_cast<std::size_t>(high ^ (low * 0x9E3779B97F4A7C15ULL));
}

} // namespace orvane
