#include "media/ContainerLengthReaders.h"

#include <array>
#include <vector>

namespace orvane::media {

namespace {

// WavPack block header flags.
constexpr std::uint32_t kInitialBlock = 1u << 11;
constexpr std::uint32_t kFinalBlock = 1u << 12;
constexpr std::uint32_t kDSD = 1u << 31;
constexpr std::uint32_t kMaxWavPackBlock = 1u << 20;
constexpr std::array<int, 16> kWavPackRates{6000,  8000,  9600,  11025, 12000, 16000, 22050,  24000,
                                            32000, 44100, 48000, 64000, 88200, 96000, 192000, 0};

// TTA's stream frames last 256/245 of a second.
constexpr std::int64_t kTTAFrameNumerator = 256;
constexpr std::int64_t kTTAFrameDenominator = 245;
constexpr std::size_t kTTAHeaderBytes = 22;
constexpr std::int64_t kMaxTTAFrames = 1 << 20;

// The CRC-32 of zlib and of FFmpeg's TTA demuxer, which rejects a header or a seek
// table that fails it.
std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
    static const auto kTable = [] {
        std::array<std::uint32_t, 256> table{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        return table;
    }();
    std::uint32_t crc = 0xffffffffu;
    for (const std::uint8_t b : bytes)
        crc = kTable[(crc ^ b) & 0xff] ^ (crc >> 8);
    return crc ^ 0xffffffffu;
}

} // namespace

// The first block's total, when that block starts the stream, carries samples, holds
// every channel (mono or stereo) and states its rate in the flags, where FFmpeg's
// decoder takes it from. A file cut short keeps the stated total in AudioFileReader too.
std::optional<ContainerLength> readWavPackLength(const ContainerFile& file) {
    std::array<std::uint8_t, 32> scratch{};
    const auto block = file.bytes(0, scratch.size(), scratch);
    if (block.size() < scratch.size())
        return std::nullopt;
    const std::uint8_t* p = block.data();
    const std::uint32_t size = bytes::le32(p + 4);
    const std::uint32_t version = bytes::le16(p + 8);
    const std::uint32_t total = bytes::le32(p + 12);
    const std::uint32_t flags = bytes::le32(p + 24);
    const int rate = kWavPackRates[(flags >> 23) & 15];
    // Bytes 10 and 11 extend the index and the total past 32 bits, which FFmpeg ignores.
    if (size < 24 || size > kMaxWavPackBlock || version < 0x402 || version > 0x410 || p[10] != 0 ||
        p[11] != 0 || total == 0 || total == 0xffffffffu || bytes::le32(p + 16) != 0 ||
        bytes::le32(p + 20) == 0 ||
        (flags & (kInitialBlock | kFinalBlock)) != (kInitialBlock | kFinalBlock) ||
        (flags & kDSD) != 0 || rate == 0)
        return std::nullopt;
    return ContainerLength{total, rate};
}

// The TTA1 header's count and rate, once the header and seek table pass the checks
// FFmpeg's demuxer and decoder make and the first frame is in the file.
std::optional<ContainerLength> readTTALength(const ContainerFile& file) {
    const std::int64_t start = file.audioStart();
    std::array<std::uint8_t, kTTAHeaderBytes> scratch{};
    const auto header = file.bytes(start, scratch.size(), scratch);
    if (header.size() < kTTAHeaderBytes)
        return std::nullopt;
    const std::uint8_t* p = header.data();
    const std::uint32_t format = bytes::le16(p + 4);
    const auto channels = static_cast<int>(bytes::le16(p + 6));
    const auto bits = static_cast<int>(bytes::le16(p + 8));
    const std::uint32_t rate = bytes::le32(p + 10);
    const std::int64_t samples = bytes::le32(p + 14);
    // Format 2 is encrypted, which FFmpeg decodes only with the password.
    if (format != 1 || channels <= 0 || channels > 16 || (bits != 8 && bits != 16 && bits != 24) ||
        rate == 0 || rate > 1000000 || samples == 0 ||
        crc32(header.first(18)) != bytes::le32(p + 18))
        return std::nullopt;
    const std::int64_t frameSize = rate * kTTAFrameNumerator / kTTAFrameDenominator;
    const std::int64_t frames = (samples + frameSize - 1) / frameSize;
    if (frames <= 0 || frames > kMaxTTAFrames)
        return std::nullopt;

    // The seek table and its CRC, then the first frame.
    const std::int64_t tableStart = start + static_cast<std::int64_t>(kTTAHeaderBytes);
    const auto tableBytes = static_cast<std::size_t>(frames * 4 + 4);
    if (tableStart + static_cast<std::int64_t>(tableBytes) > file.size())
        return std::nullopt; // FFmpeg's demuxer fails on a seek table cut short
    std::vector<std::uint8_t> tableScratch(tableBytes);
    const auto table = file.bytes(tableStart, tableBytes, tableScratch);
    if (table.size() < tableBytes ||
        crc32(table.first(tableBytes - 4)) != bytes::le32(table.data() + tableBytes - 4))
        return std::nullopt;
    const std::int64_t firstFrameEnd =
        tableStart + static_cast<std::int64_t>(tableBytes) + bytes::le32(table.data());
    if (firstFrameEnd > file.size())
        return std::nullopt;
    return ContainerLength{samples, static_cast<int>(rate)};
}

} // namespace orvane::media
