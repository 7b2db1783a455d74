#include "media/ContainerLengthReaders.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace orvane::media {

namespace {

// Chunks walked before giving up on a header: more is no file a program wrote.
constexpr int kMaxChunks = 256;
constexpr int kMaxSampleRate = 1 << 22;
// FFmpeg's WAV demuxer looks at the start of PCM data for a compressed stream sent as
// PCM (IEC 61937); a first sync word within this reach makes it check further.
constexpr std::size_t kSpdifReach = 32768 + 4;
constexpr std::uint8_t kSpdifSync[] = {0x72, 0xf8, 0x1f, 0x4e};
// The PCM subformat of WAVE_FORMAT_EXTENSIBLE, after its first four bytes.
constexpr std::uint8_t kPCMGuidTail[] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                         0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

struct PCMLayout {
    int sampleRate = 0;
    int frameBytes = 0; // block align: every channel's sample
};

bool plainPCMBits(int bits) {
    return bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// The whole frames the file holds from `dataStart` on: the demuxer reads to the end of
// the file, and the decoder drops a partial frame.
std::int64_t presentFrames(std::int64_t fileSize, std::int64_t dataStart, int frameBytes) {
    return std::max<std::int64_t>(fileSize - dataStart, 0) / frameBytes;
}

// The "fmt " chunk of integer PCM, plain or WAVE_FORMAT_EXTENSIBLE with nothing unusual
// (valid bits equal to the container's, a channel mask naming each channel once).
std::optional<PCMLayout> parseWAVFormat(std::span<const std::uint8_t> fmt) {
    if (fmt.size() < 16)
        return std::nullopt;
    const std::uint8_t* p = fmt.data();
    const auto tag = bytes::le16(p);
    const auto channels = static_cast<int>(bytes::le16(p + 2));
    const auto rate = bytes::le32(p + 4);
    const auto blockAlign = static_cast<int>(bytes::le16(p + 12));
    const auto bits = static_cast<int>(bytes::le16(p + 14));
    const std::uint32_t extra = fmt.size() >= 18 ? bytes::le16(p + 16) : 0;
    if (channels <= 0 || rate == 0 || rate > kMaxSampleRate || !plainPCMBits(bits) ||
        blockAlign != channels * bits / 8)
        return std::nullopt;
    if (tag == 0xfffe) {
        if (extra != 22 || fmt.size() < 40 || bytes::le16(p + 18) != static_cast<unsigned>(bits) ||
            std::popcount(bytes::le32(p + 20)) != channels || bytes::le32(p + 24) != 1 ||
            std::memcmp(p + 28, kPCMGuidTail, sizeof kPCMGuidTail) != 0)
            return std::nullopt;
    } else if (tag != 1 || extra != 0) {
        return std::nullopt;
    }
    return PCMLayout{static_cast<int>(rate), blockAlign};
}

// The demuxer for ACT voice recordings claims WAV files whose header looks like theirs.
bool looksLikeACT(std::span<const std::uint8_t> head) {
    return head.size() >= 512 && head[256] == 0x84 &&
           std::all_of(head.begin() + 44, head.begin() + 256,
                       [](std::uint8_t b) { return b == 0; });
}

bool mayHoldSpdif(const ContainerFile& file, std::int64_t dataStart) {
    std::array<std::uint8_t, kSpdifReach> scratch; // only the part read is used
    const auto data = file.bytes(dataStart, scratch.size(), scratch);
    // memchr finds candidates many bytes at a time; a generic search here cost more than
    // the rest of the WAV header read.
    const std::uint8_t* at = data.data();
    const std::uint8_t* const end = data.data() + data.size();
    while (end - at >= static_cast<std::ptrdiff_t>(sizeof kSpdifSync)) {
        at = static_cast<const std::uint8_t*>(
            std::memchr(at, kSpdifSync[0], static_cast<std::size_t>(end - at) - 3));
        if (at == nullptr)
            return false;
        if (std::memcmp(at, kSpdifSync, sizeof kSpdifSync) == 0)
            return true;
        ++at;
    }
    return false;
}

} // namespace

// RIFF WAVE with integer PCM, walked chunk by chunk as FFmpeg's demuxer walks it: the
// first "fmt ", the last "data" (the walk goes on past the data when more follows). A
// whole data chunk holds size / block align frames, less what the file does not hold; a
// data chunk running past the end of the file leaves FFmpeg an estimate that the
// reader settles by decoding to the end, the same whole frames.
std::optional<ContainerLength> readWAVLength(const ContainerFile& file) {
    std::array<std::uint8_t, 512> scratch{};
    const auto head = file.bytes(0, scratch.size(), scratch);
    if (looksLikeACT(head))
        return std::nullopt;
    std::optional<PCMLayout> layout;
    bool gotFormat = false;
    bool gotFact = false;
    std::int64_t dataStart = -1;
    std::int64_t dataSize = 0;
    std::int64_t offset = 12;
    for (int chunks = 0;; ++chunks) {
        if (chunks == kMaxChunks)
            return std::nullopt;
        const auto chunk = file.bytes(offset, 8, scratch);
        const std::uint8_t* id = chunk.data();
        if (chunk.size() < 8)
            break; // the end of the file
        const std::int64_t size = bytes::le32(chunk.data() + 4);
        const std::int64_t body = offset + 8;
        const std::int64_t next = body + size;
        if (bytes::tagIs(id, "data")) {
            if (size == 0 || size == 0xffffffff)
                return std::nullopt; // a stream's header: no count
            dataStart = body;
            dataSize = size;
        } else if (next > file.size()) {
            return std::nullopt; // cut inside a chunk FFmpeg parses or skips
        } else if (bytes::tagIs(id, "fmt ")) {
            if (!gotFormat)
                layout = parseWAVFormat(
                    file.bytes(body, static_cast<std::size_t>(std::min<std::int64_t>(size, 40)),
                               std::span<std::uint8_t>(scratch).subspan(8)));
            gotFormat = true;
        } else if (bytes::tagIs(id, "fact")) {
            gotFact = true;
        } else if (bytes::tagIs(id, "XMA2") || bytes::tagIs(id, "SMV0") ||
                   ((bytes::tagIs(id, "LIST") || bytes::tagIs(id, "list")) && size < 4)) {
            return std::nullopt;
        }
        if (next >= file.size())
            break;
        offset = next + (next & 1);
    }
    if (!layout || dataStart < 0)
        return std::nullopt;
    const std::int64_t dataEnd = dataStart + dataSize;
    if (dataEnd > file.size() && gotFact)
        return std::nullopt; // FFmpeg would take the fact chunk's count
    if (mayHoldSpdif(file, dataStart))
        return std::nullopt;
    const std::int64_t present = presentFrames(file.size(), dataStart, layout->frameBytes);
    const std::int64_t stated = dataEnd > file.size() ? present : dataSize / layout->frameBytes;
    if (stated <= 0)
        return std::nullopt;
    return ContainerLength{std::min(stated, present), layout->sampleRate};
}

// FORM AIFF, and AIFC holding plain PCM ("NONE", "twos", 16-bit "sowt"): COMM's frame
// count, less what the file does not hold after the sound data's start. FFmpeg walks
// every chunk inside the FORM, in any order.
std::optional<ContainerLength> readAIFFLength(const ContainerFile& file) {
    std::array<std::uint8_t, 40> scratch{};
    const auto head = file.bytes(0, 12, scratch);
    bool compressedForm = bytes::tagIs(head.data() + 8, "AIFC");
    std::int64_t remaining = static_cast<std::int64_t>(bytes::be32(head.data() + 4)) - 4;
    std::optional<PCMLayout> layout;
    std::int64_t frames = 0;
    std::int64_t soundStart = -1;
    std::int64_t offset = 12;
    for (int chunks = 0; remaining > 0; ++chunks) {
        if (chunks == kMaxChunks)
            return std::nullopt;
        const auto chunk = file.bytes(offset, 8, scratch);
        if (chunk.empty())
            break; // the end of the file, where FFmpeg takes what it found
        if (chunk.size() < 8)
            return std::nullopt;
        const std::uint8_t* id = chunk.data();
        const std::int64_t size = bytes::be32(id + 4);
        if (size > 0x7fffffff)
            return std::nullopt;
        const std::int64_t body = offset + 8;
        remaining -= size + 8;
        if (bytes::tagIs(id, "SSND")) {
            std::array<std::uint8_t, 4> field{};
            const auto skip = file.bytes(body, 4, field);
            if (size < 8 || skip.size() < 4)
                return std::nullopt;
            soundStart = body + 8 + bytes::be32(skip.data());
        } else if (body + size > file.size()) {
            return std::nullopt;
        } else if (bytes::tagIs(id, "COMM")) {
            const auto comm = file.bytes(body, 22, scratch);
            if (size < 18 || comm.size() < 18)
                return std::nullopt;
            const auto channels = static_cast<int>(bytes::be16(comm.data()));
            frames = bytes::be32(comm.data() + 2);
            const auto bits = static_cast<int>(bytes::be16(comm.data() + 6));
            // The rate is an 80-bit float; FFmpeg rounds it to the nearest integer.
            const int exponent = static_cast<int>(bytes::be16(comm.data() + 8)) - 16383 - 63;
            const std::uint64_t mantissa =
                std::uint64_t{bytes::be32(comm.data() + 10)} << 32 | bytes::be32(comm.data() + 14);
            if (exponent >= 0 || exponent < -63)
                return std::nullopt;
            const std::uint64_t rate =
                (mantissa + (std::uint64_t{1} << (-exponent - 1))) >> -exponent;
            bool plain = !compressedForm || size < 22;
            if (!plain) {
                const std::uint8_t* kind = comm.data() + 18;
                plain = bytes::tagIs(kind, "NONE") || bytes::tagIs(kind, "twos") ||
                        (bytes::tagIs(kind, "sowt") && bits == 16);
                if (!plain)
                    return std::nullopt;
            }
            if (channels <= 0 || !plainPCMBits(bits) || rate == 0 || rate > kMaxSampleRate ||
                frames <= 0 || frames > 0x7fffffff)
                return std::nullopt;
            layout = PCMLayout{static_cast<int>(rate), channels * bits / 8};
            if (soundStart >= 0)
                break;
        } else if (bytes::tagIs(id, "FVER")) {
            // FFmpeg reads a COMM after it by the version stated, not the FORM's kind.
            const auto version = file.bytes(body, 4, scratch);
            if (version.size() < 4)
                return std::nullopt;
            compressedForm = bytes::be32(version.data()) == 0xa2805140;
        } else if (bytes::be32(id) == 0 && layout && soundStart >= 0) {
            break;
        } else if (bytes::tagIs(id, "wave") || bytes::tagIs(id, "CHAN") ||
                   bytes::tagIs(id, "APCM")) {
            return std::nullopt;
        }
        offset = body + size + (size & 1);
        remaining -= size & 1;
    }
    if (!layout || soundStart < 0)
        return std::nullopt;
    const std::int64_t present = presentFrames(file.size(), soundStart, layout->frameBytes);
    return ContainerLength{std::min(frames, present), layout->sampleRate};
}

} // namespace orvane::media
