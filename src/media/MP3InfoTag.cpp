#include "media/MP3InfoTag.h"

#include "media/MP3FrameWalk.h"

#include <array>
#include <fstream>
#include <vector>

namespace orvane::media {

namespace {

constexpr std::uint32_t kXingFlagFrames = 0x01;
constexpr std::uint32_t kXingFlagBytes = 0x02;
constexpr std::uint32_t kXingFlagToc = 0x04;
constexpr std::uint32_t kXingFlagQuality = 0x08;

// A frame larger than this does not exist (MPEG-2.5 layer III, 160 kbit/s at 8 kHz).
constexpr std::size_t kMaxFrameBytes = 2881;

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool skip(std::size_t n) {
        if (bytes_.size() - pos_ < n)
            return false;
        pos_ += n;
        return true;
    }
    std::optional<std::uint32_t> bigEndian(std::size_t n) {
        if (bytes_.size() - pos_ < n)
            return std::nullopt;
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < n; ++i)
            v = (v << 8) | bytes_[pos_ + i];
        pos_ += n;
        return v;
    }
    std::span<const std::uint8_t> rest() const { return bytes_.subspan(pos_); }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

bool isEncoderWithDelay(std::span<const std::uint8_t> version) {
    if (version.size() < 4)
        return false;
    const std::string prefix(version.begin(), version.begin() + 4);
    return prefix == "LAME" || prefix == "Lavf" || prefix == "Lavc";
}

} // namespace

std::size_t id3v2TagSize(std::span<const std::uint8_t, 10> h) {
    if (h[0] != 'I' || h[1] != 'D' || h[2] != '3' || h[3] == 0xff || h[4] == 0xff)
        return 0;
    if ((h[6] | h[7] | h[8] | h[9]) & 0x80)
        return 0;
    const std::size_t body = (std::size_t{h[6]} << 21) | (std::size_t{h[7]} << 14) |
                             (std::size_t{h[8]} << 7) | std::size_t{h[9]};
    const bool footer = (h[5] & 0x10) != 0;
    return 10 + body + (footer ? 10 : 0);
}

std::optional<MP3InfoTag> parseMP3InfoTag(std::span<const std::uint8_t> frame) {
    ByteReader in(frame);
    const auto header = in.bigEndian(4);
    if (!header || (*header & 0xffe00000u) != 0xffe00000u)
        return std::nullopt;
    const std::uint32_t version = (*header >> 19) & 3u; // 0: 2.5, 2: MPEG-2, 3: MPEG-1
    const std::uint32_t layer = (*header >> 17) & 3u;   // 1: layer III
    const std::uint32_t rateIndex = (*header >> 10) & 3u;
    const bool mono = ((*header >> 6) & 3u) == 3u;
    if (version == 1 || layer != 1 || rateIndex == 3)
        return std::nullopt;

    static constexpr std::array<int, 3> kMpeg1Rates{44100, 48000, 32000};
    const bool mpeg1 = version == 3;
    const int divisor = mpeg1 ? 1 : (version == 2 ? 2 : 4);

    MP3InfoTag tag;
    tag.sampleRate = kMpeg1Rates[rateIndex] / divisor;
    tag.samplesPerFrame = mpeg1 ? 1152 : 576;

    const std::size_t sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    if (!in.skip(sideInfo))
        return std::nullopt;
    const auto id = in.bigEndian(4);
    if (!id || (*id != 0x58696e67u /* Xing */ && *id != 0x496e666fu /* Info */))
        return std::nullopt;
    const auto flags = in.bigEndian(4);
    if (!flags || !(*flags & kXingFlagFrames))
        return std::nullopt;
    const auto frames = in.bigEndian(4);
    if (!frames || *frames == 0)
        return std::nullopt;
    tag.frameCount = *frames;

    if (*flags & kXingFlagBytes) {
        const auto bytes = in.bigEndian(4);
        if (!bytes)
            return tag;
        tag.byteCount = *bytes;
    }
    if ((*flags & kXingFlagToc) && !in.skip(100))
        return tag;
    if ((*flags & kXingFlagQuality) && !in.skip(4))
        return tag;

    // Encoder version (9 bytes), then revision, low-pass, peak, two replay gains,
    // flags and bit rate (12 bytes), then delay and padding as two 12-bit numbers.
    const auto version9 = in.rest().first(std::min<std::size_t>(9, in.rest().size()));
    if (!isEncoderWithDelay(version9) || !in.skip(9 + 12))
        return tag;
    const auto delays = in.bigEndian(3);
    if (!delays)
        return tag;
    tag.hasEncoderDelay = true;
    tag.delay = static_cast<int>(*delays >> 12);
    tag.padding = static_cast<int>(*delays & 0xfffu);
    return tag;
}

std::optional<MP3InfoTag> readMP3InfoTag(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;

    // FFmpeg reads consecutive ID3v2 tags before the audio; the Info frame follows them.
    std::streamoff offset = 0;
    for (int tags = 0; tags < 16; ++tags) {
        std::array<std::uint8_t, 10> head{};
        file.seekg(offset);
        if (!file.read(reinterpret_cast<char*>(head.data()), head.size()))
            return std::nullopt;
        const std::size_t size = id3v2TagSize(head);
        if (size == 0)
            break;
        offset += static_cast<std::streamoff>(size);
    }

    std::vector<std::uint8_t> frame(kMaxFrameBytes);
    file.clear();
    file.seekg(offset);
    file.read(reinterpret_cast<char*>(frame.data()), static_cast<std::streamsize>(frame.size()));
    frame.resize(static_cast<std::size_t>(file.gcount()));
    auto tag = parseMP3InfoTag(frame);
    if (tag) {
        tag->tagOffset = offset;
        if (const auto header =
                parseMpegFrameHeader(std::uint32_t{frame[0]} << 24 | std::uint32_t{frame[1]} << 16 |
                                     std::uint32_t{frame[2]} << 8 | frame[3]))
            tag->tagFrameBytes = header->frameBytes;
    }
    return tag;
}

} // namespace orvane::media
