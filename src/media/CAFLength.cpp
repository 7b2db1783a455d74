// The length of a CAF file's audio, exactly as AudioFileReader states it at open:
//   - linear PCM: FFmpeg can only estimate the length from the file size, so the reader
//     decodes to the true end at open: the whole frames of the data chunk that are in
//     the file.
//   - ALAC: the packet table's packet count times the frames per packet, which FFmpeg
//     takes as the duration (the last packet's padding included).
// Other codecs (AAC's priming, variable frames per packet) are left to the decoder.

#include "media/ContainerLengthMP4OggCAF.h"
#include "media/FileBytes.h"
#include "media/HeaderBytes.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

namespace orvane::media {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::int64_t kChunkHeaderBytes = 12;
constexpr int kMaxChunks = 1024;
constexpr std::int64_t kMaxPacketTableBytes = std::int64_t{16} << 20;

struct Description {
    int rate = 0;
    std::uint32_t format = 0;
    std::uint32_t bytesPerPacket = 0;
    std::uint32_t framesPerPacket = 0;
    std::uint32_t channels = 0;
    std::uint32_t bitsPerChannel = 0;
};

std::optional<Description> readDescription(Bytes desc) {
    const auto rateBits = readBE(desc, 0, 8);
    if (desc.size() != 32 || !rateBits)
        return std::nullopt;
    const double rate = std::bit_cast<double>(*rateBits);
    // FFmpeg truncates the rate to an integer; a fractional one is not worth following.
    if (!(rate >= 1 && rate <= 1e6) || std::floor(rate) != rate)
        return std::nullopt;
    Description d;
    d.rate = static_cast<int>(rate);
    d.format = static_cast<std::uint32_t>(*readBE(desc, 8, 4));
    d.bytesPerPacket = static_cast<std::uint32_t>(*readBE(desc, 16, 4));
    d.framesPerPacket = static_cast<std::uint32_t>(*readBE(desc, 20, 4));
    d.channels = static_cast<std::uint32_t>(*readBE(desc, 24, 4));
    d.bitsPerChannel = static_cast<std::uint32_t>(*readBE(desc, 28, 4));
    if (d.bytesPerPacket > INT32_MAX || d.framesPerPacket > INT32_MAX || d.channels == 0 ||
        d.channels > 64)
        return std::nullopt;
    return d;
}

// The packet count of a table whose packets have variable sizes and a fixed frame count,
// checked the way FFmpeg reads it: every size inside the chunk.
std::optional<std::int64_t> packetCount(Bytes pakt) {
    const auto count = readBE(pakt, 0, 8);
    if (!count || *count > 0x7fffffff / 24)
        return std::nullopt;
    std::size_t at = 24;
    for (std::uint64_t i = 0; i < *count; ++i) {
        for (int k = 0; k < 4; ++k) {
            if (at >= pakt.size())
                return std::nullopt;
            if (!(pakt[at++] & 0x80))
                break;
        }
    }
    return static_cast<std::int64_t>(*count);
}

std::uint32_t tag(const char (&s)[5]) {
    return std::uint32_t(std::uint8_t(s[0])) << 24 | std::uint32_t(std::uint8_t(s[1])) << 16 |
           std::uint32_t(std::uint8_t(s[2])) << 8 | std::uint32_t(std::uint8_t(s[3]));
}

} // namespace

std::optional<ContainerLength> readCAFLength(const FileBytes& file) {
    std::array<std::uint8_t, 8 + kChunkHeaderBytes + 32> head{};
    if (!file.readExactly(0, head) || std::memcmp(head.data(), "caff", 4) != 0 ||
        readBE(head, 8, 4) != tag("desc") || readBE(head, 12, 8) != 32)
        return std::nullopt;
    const auto desc = readDescription(Bytes(head).subspan(20));
    if (!desc)
        return std::nullopt;
    // Sample sizes FFmpeg has a PCM decoder for, packed whole.
    const std::uint32_t bits = desc->bitsPerChannel;
    const bool pcm = desc->format == tag("lpcm") && desc->framesPerPacket == 1 &&
                     (bits == 8 || bits == 16 || bits == 24 || bits == 32 || bits == 64) &&
                     desc->bytesPerPacket == desc->channels * (bits / 8);
    const bool alac =
        desc->format == tag("alac") && desc->bytesPerPacket == 0 && desc->framesPerPacket > 0;
    if (!pcm && !alac)
        return std::nullopt;

    std::optional<std::int64_t> dataStart;
    std::int64_t dataSize = -1;
    std::optional<std::int64_t> packets;
    bool cookie = false;
    std::int64_t at = static_cast<std::int64_t>(head.size());
    for (int i = 0; i < kMaxChunks && file.size() - at >= kChunkHeaderBytes; ++i) {
        std::array<std::uint8_t, kChunkHeaderBytes> header{};
        if (!file.readExactly(at, header))
            return std::nullopt;
        const auto type = static_cast<std::uint32_t>(*readBE(header, 0, 4));
        const auto size = static_cast<std::int64_t>(*readBE(header, 4, 8));
        at += kChunkHeaderBytes;
        if (type == tag("data")) {
            // FFmpeg would read chunk headers inside a data chunk too short for its
            // edit count.
            if (size >= 0 && size < 4)
                return std::nullopt;
            dataStart = at + 4; // after the edit count
            dataSize = size < 0 ? -1 : size - 4;
            // FFmpeg reads no further than a data chunk of unknown size.
            if (size < 0)
                break;
        } else if (size < 0) {
            return std::nullopt;
        } else if (type == tag("kuki")) {
            cookie = size >= 24;
            if (!cookie)
                return std::nullopt;
        } else if (type == tag("chan") && size < 12) {
            return std::nullopt;
        } else if (type == tag("pakt")) {
            if (size > kMaxPacketTableBytes || size > file.size() - at)
                return std::nullopt;
            std::vector<std::uint8_t> table(static_cast<std::size_t>(size));
            if (!file.readExactly(at, table) || packets)
                return std::nullopt;
            packets = packetCount(table);
            if (!packets)
                return std::nullopt;
        }
        if (size > file.size() - at)
            break;
        at += size;
    }
    if (!dataStart || *dataStart > file.size())
        return std::nullopt;

    std::int64_t frames = 0;
    if (pcm) {
        std::int64_t bytes = file.size() - *dataStart;
        if (dataSize >= 0)
            bytes = std::min(bytes, dataSize);
        frames = bytes / desc->bytesPerPacket;
    } else {
        if (!cookie || !packets)
            return std::nullopt;
        frames = *packets * desc->framesPerPacket;
    }
    if (frames <= 0)
        return std::nullopt;
    return ContainerLength{frames, desc->rate};
}

std::optional<ContainerLength> readCAFLength(const std::string& path) {
    const auto file = FileBytes::open(path);
    return file ? readCAFLength(*file) : std::nullopt;
}

} // namespace orvane::media
