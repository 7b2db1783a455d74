// Raw ADTS AAC states no length, so FFmpeg estimates one from the bit rate: the file's
// size after its ID3v2 tags over the running average of the frames' bit rates that its
// parser has seen while the stream info was read. It reads up to 50 frames there (the
// frames carry no timestamps, and it waits that long for one), so for a file of at most
// 50 frames the average, and with it AudioFileReader::open's estimate, follows from the
// frame headers alone. Short AAC files (notification sounds, samples) are common enough
// in a library to be worth the arithmetic; longer ones are left to the decoder, as are
// the rates HE-AAC uses.

#include "media/ContainerLengthReaders.h"
#include "media/HeaderBytes.h"

#include <array>
#include <climits>
#include <vector>

namespace orvane::media {

namespace {

constexpr std::size_t kHeaderBytes = 7;
constexpr std::int64_t kMaxFramesRead = 50;
constexpr std::int64_t kMaxFrameBytes = (1 << 13) - 1;
constexpr std::int64_t kSamplesPerFrame = 1024;
// The time base of FFmpeg's ADTS demuxer: the least common multiple of ADTS's rates.
constexpr std::int64_t kTimeBase = 28224000;
constexpr std::array<int, 13> kRates{96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                     22050, 16000, 12000, 11025, 8000,  7350};
// HE-AAC signals its SBR inside the audio, not in the header, and the decoder then runs
// at twice the header's rate. Its usual outputs (up to 64 kHz) have header rates of 32 kHz
// and below, which are left to the decoder; SBR on a 44.1 or 48 kHz header would make
// 88.2 or 96 kHz, which HE-AAC encoders are not used for.
constexpr int kLowestRateWithoutSBR = 44100;
// A stream of one or two frames may be decoded to its end at open, which then counts it.
constexpr std::int64_t kMinFrames = 3;

struct FrameHeader {
    int rateIndex = 0;
    int channels = 0;
    std::int64_t bytes = 0;
};

// An AAC-LC frame header of a plain layout (one raw data block, channels stated).
std::optional<FrameHeader> parseHeader(std::span<const std::uint8_t> p) {
    if (p.size() < kHeaderBytes || p[0] != 0xff || (p[1] & 0xf6) != 0xf0)
        return std::nullopt;
    FrameHeader h;
    const int profile = p[2] >> 6;
    h.rateIndex = (p[2] >> 2) & 0x0f;
    h.channels = (p[2] & 1) << 2 | p[3] >> 6;
    h.bytes = (p[3] & 3) << 11 | p[4] << 3 | p[5] >> 5;
    const int blocks = (p[6] & 3) + 1;
    if (profile != 1 || h.rateIndex >= static_cast<int>(kRates.size()) || h.channels == 0 ||
        h.bytes < static_cast<std::int64_t>(kHeaderBytes) || blocks != 1)
        return std::nullopt;
    return h;
}

} // namespace

std::optional<ContainerLength> readADTSLength(const ContainerFile& file) {
    const std::int64_t start = file.audioStart();
    const std::int64_t dataBytes = file.size() - start;
    if (dataBytes <= 0 || dataBytes > kMaxFramesRead * kMaxFrameBytes)
        return std::nullopt;
    const std::vector<std::uint8_t> data =
        file.file().readUpTo(start, static_cast<std::size_t>(dataBytes));
    if (static_cast<std::int64_t>(data.size()) != dataBytes)
        return std::nullopt;

    std::optional<FrameHeader> first;
    std::int64_t frames = 0;
    std::int64_t averageBitRate = 0; // as FFmpeg's parser keeps it, in whole bits
    for (std::size_t at = 0; at < data.size();) {
        const auto header = parseHeader(std::span(data).subspan(at));
        if (!header || ++frames > kMaxFramesRead ||
            (first &&
             (header->rateIndex != first->rateIndex || header->channels != first->channels)))
            return std::nullopt;
        first = first ? first : header;
        const std::int64_t rate = kRates[static_cast<std::size_t>(header->rateIndex)];
        // The parser computes this in an int; a frame that overflows it is left alone.
        if (header->bytes * 8 * rate > INT_MAX)
            return std::nullopt;
        const std::int64_t bitRate = header->bytes * 8 * rate / kSamplesPerFrame;
        averageBitRate += (bitRate - averageBitRate) / frames;
        at += static_cast<std::size_t>(header->bytes);
        if (at > data.size())
            return std::nullopt; // the last frame is cut short
    }
    if (!first || frames < kMinFrames || averageBitRate <= 0)
        return std::nullopt;
    const int rate = kRates[static_cast<std::size_t>(first->rateIndex)];
    if (rate < kLowestRateWithoutSBR)
        return std::nullopt;
    const auto duration = rescaleNearest(dataBytes, 8 * kTimeBase, averageBitRate);
    const auto length = duration ? rescaleNearest(*duration, rate, kTimeBase) : std::nullopt;
    if (!length)
        return std::nullopt;
    return ContainerLength{*length, rate};
}

} // namespace orvane::media
