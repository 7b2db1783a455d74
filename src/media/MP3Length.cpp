#include "media/ContainerLengthReaders.h"
#include "media/MP3FrameWalk.h"
#include "media/MP3InfoTag.h"

#include <algorithm>
#include <cstring>

namespace orvane::media {

namespace {

// What readMP3InfoTag hands the tag parser: the largest frame there is.
constexpr std::size_t kTagFrameRead = 2881;
// The MPEG audio decoder's own delay, which the LAME tag's encoder delay excludes.
constexpr int kDecoderDelay = 529;
// The header bits FFmpeg's demuxer wants two frames in a row to agree on.
constexpr std::uint32_t kPairMask = 0xfffe0ccfu;

// The bytes from the first frame on, enough for the frames the checks below look at in
// all but the lowest bit rates; headers beyond them are read from the file.
class FrameBytes {
public:
    static constexpr std::size_t kBytes = 8192;

    FrameBytes(const ContainerFile& file, std::int64_t start)
        : file_(file), start_(start), bytes_(file.bytes(start, kBytes, buffer_)) {}

    std::span<const std::uint8_t> all() const { return bytes_; }

    std::optional<MpegFrameHeader> headerAt(std::int64_t offset) const {
        const std::int64_t at = offset - start_;
        if (at >= 0 && at + 4 <= static_cast<std::int64_t>(bytes_.size()))
            return parseMpegFrameHeader(bytes::be32(bytes_.data() + at));
        std::array<std::uint8_t, 4> scratch{};
        const auto bits = file_.bytes(offset, scratch.size(), scratch);
        if (bits.size() < scratch.size())
            return std::nullopt;
        return parseMpegFrameHeader(bytes::be32(bits.data()));
    }

private:
    const ContainerFile& file_;
    std::int64_t start_;
    std::array<std::uint8_t, kBytes> buffer_; // only the part read is used
    std::span<const std::uint8_t> bytes_;
};

// FFmpeg's format probe takes a file for MPEG audio for certain once this many frames
// follow each other from the start (after the ID3v2 tags); with fewer, another
// demuxer's guess may win.
constexpr int kProbeFrames = 7;

bool startsWithFrames(const FrameBytes& frames, std::int64_t offset) {
    for (int count = 0; count < kProbeFrames; ++count) {
        const auto header = frames.headerAt(offset);
        if (!header)
            return false;
        offset += header->frameBytes;
    }
    return true;
}

// A Xing or Info header after the side information, or a VBRI header: FFmpeg takes the
// frame for a header frame whatever it holds.
bool looksLikeHeaderFrame(std::span<const std::uint8_t> frame, const MpegFrameHeader& header) {
    const std::size_t xing = 4 + (header.mpeg1 ? (header.mono ? 17 : 32) : (header.mono ? 9 : 17));
    const auto holds = [&frame](std::size_t at, const char* tag) {
        return frame.size() >= at + 4 && std::memcmp(frame.data() + at, tag, 4) == 0;
    };
    return holds(xing, "Xing") || holds(xing, "Info") || holds(36, "VBRI");
}

// An MP3 without a header frame: FFmpeg decodes every frame whole, which the walk counts.
std::optional<ContainerLength> countFrames(const ContainerFile& file) {
    const auto walk = walkMP3Frames(file.path());
    if (!walk || walk->infoFrame || walk->samples() <= 0)
        return std::nullopt;
    return ContainerLength{walk->samples(), walk->sampleRate};
}

} // namespace

// The rules of AudioFileReader's computeLength and settleCutMP3 for the stream FFmpeg's
// demuxer finds after the ID3v2 tags; nullopt wherever FFmpeg could read the header frame
// differently from readMP3InfoTag, which then makes the reader's length an estimate.
std::optional<ContainerLength> readMP3Length(const ContainerFile& file) {
    const std::int64_t start = file.audioStart();
    const FrameBytes frames(file, start);
    // What readMP3InfoTag hands the tag parser.
    const auto frame = frames.all().first(std::min(kTagFrameRead, frames.all().size()));
    if (frame.size() < 4)
        return std::nullopt;
    const auto header = parseMpegFrameHeader(bytes::be32(frame.data()));
    if (!header || header->layer != 3 || !startsWithFrames(frames, start))
        return std::nullopt;
    if (!looksLikeHeaderFrame(frame, *header))
        return countFrames(file);

    auto tag = parseMP3InfoTag(frame);
    if (!tag || tag->sampleRate != header->sampleRate)
        return std::nullopt;
    // FFmpeg drops the frame count of a tag whose byte count is far below what follows
    // it (files joined end to end) and estimates from the bit rate instead.
    const std::int64_t following = file.size() - (start + 4);
    if (tag->byteCount > 0 && following > tag->byteCount &&
        following - tag->byteCount > tag->byteCount >> 4)
        return std::nullopt;
    // FFmpeg starts on the frame after the header frame when the one after that agrees
    // with it; the decoder's rate is theirs.
    const std::int64_t first = start + header->frameBytes;
    const auto audio = frames.headerAt(first);
    const auto next = audio ? frames.headerAt(first + audio->frameBytes) : std::nullopt;
    if (!audio || !next || (audio->bits & kPairMask) != (next->bits & kPairMask) ||
        audio->sampleRate != tag->sampleRate)
        return std::nullopt;

    std::int64_t length = tag->totalSamples();
    std::int64_t skipped = 0; // what FFmpeg drops at the start
    if (tag->hasEncoderDelay) {
        length -= tag->delay + tag->padding;
        skipped = tag->delay + kDecoderDelay;
    }
    // A file cut short: the frames that are there, less the delay.
    const std::int64_t present = file.size() - start;
    const std::int64_t stated =
        tag->byteCount > 0 ? tag->byteCount : (tag->frameCount + 1) * header->frameBytes;
    if (present < stated) {
        const auto walk = walkMP3Frames(file.path());
        if (walk && walk->infoFrame && walk->sampleRate == tag->sampleRate &&
            walk->audioFrames < tag->frameCount)
            length = std::min(walk->samples() - skipped, length);
    }
    return ContainerLength{std::max<std::int64_t>(length, 0), tag->sampleRate};
}

} // namespace orvane::media
