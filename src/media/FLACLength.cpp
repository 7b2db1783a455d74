#include "media/ContainerLengthReaders.h"
#include "media/FLACTail.h"

#include <algorithm>

namespace orvane::media {

namespace {

// FFmpeg's format probe sees a FLAC stream behind ID3v2 tags only when the tags fit
// its probe buffer with room to spare; behind more, it may take the file for MP3.
constexpr std::int64_t kMaxLeadingTagBytes = 256 * 1024;
// Metadata blocks before the first frame: pictures, padding, comments, seek tables.
constexpr int kMaxMetadataBlocks = 256;

// The sample rate a frame header's rate code stands for; 0 for "as STREAMINFO says",
// -1 for a code that keeps the rate at the header's end (which no encoder writes when
// STREAMINFO can state it).
int frameRate(int code) {
    static constexpr int kRates[] = {0,     88200, 176400, 192000, 8000, 16000, 22050, 24000,
                                     32000, 44100, 48000,  96000,  -1,   -1,    -1,    -1};
    return kRates[code & 15];
}

} // namespace

// STREAMINFO's total, less what a file cut short does not hold (the frame headers in
// its last bytes, as AudioFileReader settles it). The first frame must be there and
// state STREAMINFO's rate and start the stream: the decoder's rate is the frame's.
std::optional<ContainerLength> readFLACLength(const ContainerFile& file) {
    const std::int64_t start = file.audioStart();
    if (start > kMaxLeadingTagBytes)
        return std::nullopt;
    std::array<std::uint8_t, 42> scratch{};
    const auto head = file.bytes(start, scratch.size(), scratch);
    if (head.size() < scratch.size())
        return std::nullopt;
    // "fLaC", then STREAMINFO's block header and its 34 bytes, as FFmpeg's probe wants them.
    const std::uint8_t* info = head.data() + 8;
    if ((head[4] & 0x7f) != 0 || bytes::be24(head.data() + 5) != 34)
        return std::nullopt;
    const auto minBlock = static_cast<int>(bytes::be16(info));
    const auto maxBlock = static_cast<int>(bytes::be16(info + 2));
    const auto rate = static_cast<int>(bytes::be24(info + 10) >> 4);
    const std::int64_t total =
        std::int64_t{info[13] & 0x0f} << 32 | std::int64_t{bytes::be32(info + 14)};
    if (minBlock < 16 || maxBlock < minBlock || rate <= 0 || rate > 655350 || total == 0)
        return std::nullopt;

    // The first frame follows the last metadata block.
    std::int64_t offset = start + 4;
    bool last = false;
    for (int blocks = 0; !last; ++blocks) {
        std::array<std::uint8_t, 4> block{};
        const auto header = file.bytes(offset, block.size(), block);
        if (blocks == kMaxMetadataBlocks || header.size() < block.size())
            return std::nullopt;
        last = (header[0] & 0x80) != 0;
        offset += 4 + static_cast<std::int64_t>(bytes::be24(header.data() + 1));
    }
    std::array<std::uint8_t, 5> frameScratch{};
    const auto frame = file.bytes(offset, frameScratch.size(), frameScratch);
    if (frame.size() < frameScratch.size() || frame[0] != 0xff || (frame[1] & 0xfe) != 0xf8 ||
        frame[4] != 0)
        return std::nullopt;
    if (const int stated = frameRate(frame[2]); stated != 0 && stated != rate)
        return std::nullopt;

    const FLACTailReading tail = readFLACTail(file.file(), maxBlock, total);
    switch (tail.verdict) {
    case FLACTailReading::Verdict::whole:
        return ContainerLength{total, rate};
    case FLACTailReading::Verdict::cut:
        return ContainerLength{std::clamp<std::int64_t>(tail.end, 0, total), rate};
    case FLACTailReading::Verdict::unknown:
        break;
    }
    return std::nullopt;
}

} // namespace orvane::media
