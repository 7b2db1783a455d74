#include "media/MP3FrameWalk.h"

#include "media/MP3InfoTag.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <vector>

namespace orvane::media {

namespace {

// FFmpeg's demuxer starts at the first frame whose successor also agrees in channel
// mode and the flag bits, so a first frame that differs there is not decoded.
constexpr std::uint32_t kFirstPairMask = 0xfffe0ccfu;
// How far past the ID3v2 tags FFmpeg looks for that first pair.
constexpr std::int64_t kFirstPairSearch = 64 * 1024;

constexpr std::size_t kId3v1Bytes = 128;
constexpr std::size_t kApeFooterBytes = 32;

// Kilobits per second by bit rate index: MPEG-1 layers I, II, III, then MPEG-2 and 2.5
// layer I, layers II and III.
constexpr std::array<std::array<int, 15>, 5> kBitRates{{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
}};
constexpr std::array<int, 3> kMpeg1Rates{44100, 48000, 32000};

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
           std::uint32_t{p[3]};
}

std::uint32_t littleEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 |
           std::uint32_t{p[0]};
}

// The bytes of the file or of a buffer, fetched a window at a time: a walk reads every
// frame header in order, and looks ahead by at most a frame.
class ByteWindow {
public:
    static constexpr std::size_t kWindow = 1 << 16;

    explicit ByteWindow(std::span<const std::uint8_t> bytes)
        : memory_(bytes), size_(static_cast<std::int64_t>(bytes.size())) {}
    explicit ByteWindow(const std::string& path) : file_(path, std::ios::binary) {
        file_.seekg(0, std::ios::end);
        size_ = file_ ? static_cast<std::int64_t>(file_.tellg()) : 0;
        failed_ = !file_ || size_ < 0;
        buffer_.resize(kWindow);
    }

    std::int64_t size() const { return failed_ ? 0 : size_; }
    // A read failed: what was walked says nothing about the file.
    bool failed() const { return failed_; }

    // The `count` bytes at `offset` (count at most kWindow), or nullptr past the end.
    const std::uint8_t* at(std::int64_t offset, std::size_t count) {
        if (failed_ || offset < 0 || offset > size_ - static_cast<std::int64_t>(count))
            return nullptr;
        if (!file_.is_open())
            return memory_.data() + offset;
        if (offset < start_ || offset + static_cast<std::int64_t>(count) > start_ + filled_)
            fill(offset);
        if (offset + static_cast<std::int64_t>(count) > start_ + filled_)
            return nullptr;
        return buffer_.data() + (offset - start_);
    }

private:
    void fill(std::int64_t offset) {
        const auto want =
            std::min<std::int64_t>(static_cast<std::int64_t>(kWindow), size_ - offset);
        file_.clear();
        file_.seekg(offset);
        file_.read(reinterpret_cast<char*>(buffer_.data()), want);
        start_ = offset;
        filled_ = static_cast<std::int64_t>(file_.gcount());
        if (filled_ < want)
            failed_ = true; // the file shrank or could not be read
    }

    std::span<const std::uint8_t> memory_;
    std::ifstream file_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t size_ = 0;
    std::int64_t start_ = 0;
    std::int64_t filled_ = 0;
    bool failed_ = false;
};

class Walker {
public:
    explicit Walker(ByteWindow& bytes) : bytes_(bytes) {}

    std::optional<MP3FrameWalk> walk() {
        const std::int64_t start = afterLeadingTags();
        end_ = beforeTrailingTags(start);
        MP3FrameWalk out;
        // FFmpeg takes a header frame only right after the ID3v2 tags, and starts on the
        // audio after it.
        std::int64_t from = start;
        if (const auto header = headerAt(start); header && isInfoFrame(start, *header)) {
            out.infoFrame = true;
            from = start + header->frameBytes;
        }
        const auto first = firstPair(from);
        if (!first)
            return std::nullopt;
        const auto [offset, header] = *first;
        out.sampleRate = header.sampleRate;
        out.samplesPerFrame = header.samplesPerFrame;
        out.firstFrame = offset;
        walkFrom(offset, out);
        if (bytes_.failed())
            return std::nullopt;
        return out;
    }

private:
    using Found = std::pair<std::int64_t, MpegFrameHeader>;

    std::optional<MpegFrameHeader> headerAt(std::int64_t offset) {
        const std::uint8_t* p = bytes_.at(offset, 4);
        return p ? parseMpegFrameHeader(bigEndian32(p)) : std::nullopt;
    }

    std::int64_t afterLeadingTags() {
        std::int64_t offset = 0;
        while (const std::uint8_t* head = bytes_.at(offset, 10)) {
            const std::size_t size = id3v2TagSize(std::span<const std::uint8_t, 10>(head, 10));
            if (size == 0)
                break;
            offset += static_cast<std::int64_t>(size);
        }
        return offset;
    }

    // The end of the audio: before an ID3v1 tag and an APE tag, in either order.
    std::int64_t beforeTrailingTags(std::int64_t start) {
        std::int64_t end = bytes_.size();
        for (bool found = true; found;) {
            found = false;
            const auto room = end - start;
            if (room >= static_cast<std::int64_t>(kId3v1Bytes)) {
                const std::uint8_t* tag =
                    bytes_.at(end - static_cast<std::int64_t>(kId3v1Bytes), 3);
                if (tag && std::memcmp(tag, "TAG", 3) == 0) {
                    end -= static_cast<std::int64_t>(kId3v1Bytes);
                    found = true;
                    continue;
                }
            }
            if (room >= static_cast<std::int64_t>(kApeFooterBytes)) {
                const std::uint8_t* footer =
                    bytes_.at(end - static_cast<std::int64_t>(kApeFooterBytes), kApeFooterBytes);
                if (footer && std::memcmp(footer, "APETAGEX", 8) == 0) {
                    // The size counts the items and the footer; a header, if flagged, comes
                    // before them.
                    std::int64_t size = littleEndian32(footer + 12);
                    if (littleEndian32(footer + 20) & 0x80000000u)
                        size += static_cast<std::int64_t>(kApeFooterBytes);
                    if (size >= static_cast<std::int64_t>(kApeFooterBytes) && size <= room) {
                        end -= size;
                        found = true;
                    }
                }
            }
        }
        return end;
    }

    // The first frame from `from` whose successor agrees with it, as FFmpeg starts.
    std::optional<Found> firstPair(std::int64_t from) {
        const std::int64_t last = std::min(from + kFirstPairSearch, end_);
        for (std::int64_t offset = from; offset + 4 <= last; ++offset) {
            const auto header = headerAt(offset);
            if (!header)
                continue;
            const auto next = headerAt(offset + header->frameBytes);
            if (next && offset + header->frameBytes + 4 <= end_ &&
                (header->bits & kFirstPairMask) == (next->bits & kFirstPairMask))
                return Found{offset, *header};
        }
        return std::nullopt;
    }

    // The first valid header at or after `from`.
    std::optional<Found> nextHeader(std::int64_t from) {
        for (std::int64_t offset = from; offset + 4 <= end_; ++offset) {
            if (const auto header = headerAt(offset))
                return Found{offset, *header};
        }
        return std::nullopt;
    }

    // Splits the audio into frames as FFmpeg's parser does: a frame runs for the size its
    // header gives, and the next valid header after it, wherever it lies, starts the next
    // one. So junk is passed over as FFmpeg passes over it; a false header in the junk
    // makes a frame there too, which FFmpeg gives a place on the timeline at the stream's
    // frame length even when it cannot decode it, so it is counted the same way.
    void walkFrom(std::int64_t offset, MP3FrameWalk& out) {
        while (const auto found = nextHeader(offset)) {
            const auto& [at, header] = *found;
            out.skippedBytes += at - offset;
            ++out.audioFrames;
            if (at + header.frameBytes > end_) {
                out.truncated = true;
                offset = end_;
                break;
            }
            offset = at + header.frameBytes;
        }
        out.audioEnd = offset;
    }

    // A Xing or Info header after the side information, or a VBRI header 32 bytes in,
    // that states a frame or a byte count: FFmpeg decodes a header frame without either
    // as audio (silence), so it counts as a frame of audio then.
    bool isInfoFrame(std::int64_t frame, const MpegFrameHeader& header) {
        if (header.layer != 3)
            return false;
        const std::int64_t xing =
            frame + 4 + (header.mpeg1 ? (header.mono ? 17 : 32) : (header.mono ? 9 : 17));
        if (const std::uint8_t* p = bytes_.at(xing, 16);
            p && (std::memcmp(p, "Xing", 4) == 0 || std::memcmp(p, "Info", 4) == 0)) {
            const std::uint32_t flags = bigEndian32(p + 4);
            const std::uint32_t first = (flags & 3u) != 0 ? bigEndian32(p + 8) : 0;
            const std::uint32_t second = (flags & 3u) == 3u ? bigEndian32(p + 12) : 0;
            return first != 0 || second != 0;
        }
        // VBRI, version 2 bytes, delay 2, quality 2, then bytes and frames.
        const std::uint8_t* p = bytes_.at(frame + 4 + 32, 18);
        return p && std::memcmp(p, "VBRI", 4) == 0 && p[4] == 0 && p[5] == 1 &&
               (bigEndian32(p + 10) != 0 || bigEndian32(p + 14) != 0);
    }

    ByteWindow& bytes_;
    std::int64_t end_ = 0;
};

} // namespace

std::optional<MpegFrameHeader> parseMpegFrameHeader(std::uint32_t bits) {
    const std::uint32_t version = (bits >> 19) & 3u;   // 0: 2.5, 2: MPEG-2, 3: MPEG-1
    const std::uint32_t layerBits = (bits >> 17) & 3u; // 3: I, 2: II, 1: III
    const std::uint32_t rateIndex = (bits >> 12) & 15u;
    const std::uint32_t sampleRateIndex = (bits >> 10) & 3u;
    if ((bits & 0xffe00000u) != 0xffe00000u || version == 1 || layerBits == 0 || rateIndex == 0 ||
        rateIndex == 15 || sampleRateIndex == 3)
        return std::nullopt;

    MpegFrameHeader h;
    h.bits = bits;
    h.layer = 4 - static_cast<int>(layerBits);
    h.mpeg1 = version == 3;
    h.mono = ((bits >> 6) & 3u) == 3u;
    h.sampleRate = kMpeg1Rates[sampleRateIndex] >> (h.mpeg1 ? 0 : (version == 2 ? 1 : 2));
    const bool padded = ((bits >> 9) & 1u) != 0;
    const std::size_t table =
        h.mpeg1 ? static_cast<std::size_t>(h.layer - 1) : (h.layer == 1 ? 3 : 4);
    const int kbps = kBitRates[table][rateIndex];
    switch (h.layer) {
    case 1:
        h.samplesPerFrame = 384;
        h.frameBytes = (12000 * kbps / h.sampleRate + (padded ? 1 : 0)) * 4;
        break;
    case 2:
        h.samplesPerFrame = 1152;
        h.frameBytes = 144000 * kbps / h.sampleRate + (padded ? 1 : 0);
        break;
    default:
        h.samplesPerFrame = h.mpeg1 ? 1152 : 576;
        h.frameBytes = (h.mpeg1 ? 144000 : 72000) * kbps / h.sampleRate + (padded ? 1 : 0);
        break;
    }
    return h;
}

std::optional<MP3FrameWalk> walkMP3Frames(std::span<const std::uint8_t> bytes) {
    ByteWindow window(bytes);
    return Walker(window).walk();
}

std::optional<MP3FrameWalk> walkMP3Frames(const std::string& path) {
    ByteWindow window(path);
    if (window.failed())
        return std::nullopt;
    return Walker(window).walk();
}

} // namespace orvane::media
