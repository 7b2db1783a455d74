#include "engine/analysis/SilenceTrim.h"

#include "engine/analysis/AnalysisFile.h"
#include "engine/analysis/PlanarBuffer.h"
#include "engine/dsp/VectorOps.h"
#include "media/AudioFileReader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace orvane {

namespace {

// The edges are found to this granularity.
constexpr std::int64_t kTrimBlockFrames = 1024;

// Reads the block starting at `frame` and returns its peak over all channels, or
// absent when nothing could be read there (end of data or a read error).
std::optional<float> blockPeak(AudioFileReader& reader, PlanarBuffer& buffer, std::int64_t frame) {
    if (!reader.seek(frame))
        return std::nullopt;
    const std::int64_t frames = reader.read(buffer.data(), kTrimBlockFrames);
    if (frames <= 0)
        return std::nullopt;
    float peak = 0.0f;
    for (std::size_t c = 0; c < buffer.channelCount(); ++c)
        peak = std::max(peak, maxMagnitude(buffer.channel(c), static_cast<std::size_t>(frames)));
    return peak;
}

// maxTrimSec x rate in whole frames, kept within 0..length: a negative or NaN maximum
// trims nothing (it would otherwise give a start before the file), and a huge one
// cannot overflow the conversion.
std::int64_t maxTrimFrames(double maxTrimSec, double sampleRate, std::int64_t length) {
    const double frames = maxTrimSec * sampleRate;
    if (!(frames > 0.0))
        return 0;
    if (frames >= static_cast<double>(length))
        return length;
    return static_cast<std::int64_t>(frames);
}

} // namespace

std::optional<TrimRegion> computeTrim(const std::string& path, double thresholdDb,
                                      double maxTrimSec) {
    const auto reader = openForAnalysis(path);
    if (!reader)
        return std::nullopt;
    const double sr = reader->sampleRate();
    if (!(sr > 0.0))
        return std::nullopt;
    std::int64_t len = reader->lengthFrames();
    const auto threshold = static_cast<float>(std::pow(10.0, thresholdDb / 20.0));
    const std::int64_t maxFrames = maxTrimFrames(maxTrimSec, sr, len);
    auto buffer = PlanarBuffer::make(reader->channelCount(), kTrimBlockFrames);
    if (!buffer)
        return std::nullopt;

    // Leading edge: the first block above the threshold, looking no further than
    // maxFrames.
    const std::int64_t limit = std::min(len, maxFrames);
    std::int64_t start = limit;
    for (std::int64_t block = 0; block < limit; block += kTrimBlockFrames) {
        const auto peak = blockPeak(*reader, *buffer, block);
        if (!peak || *peak > threshold) {
            start = block;
            break;
        }
    }
    start = std::min(start, maxFrames);

    // Trailing edge: the end of the last block above the threshold within the last
    // maxFrames. The scan runs to the true end of the data.
    const std::int64_t tailStart = std::max<std::int64_t>(len - maxFrames, 0);
    std::int64_t end = tailStart;
    for (std::int64_t block = tailStart;; block += kTrimBlockFrames) {
        const auto peak = blockPeak(*reader, *buffer, block);
        if (!peak)
            break;
        if (*peak > threshold)
            end = block + kTrimBlockFrames;
    }
    // Having read to the end, the reader knows the exact length even where the
    // container only gave an estimate.
    len = reader->lengthFrames();
    if (len <= 0)
        return std::nullopt;
    end = std::min(end, len);

    if (start < end)
        return TrimRegion{static_cast<double>(start) / sr, static_cast<double>(end) / sr};
    return TrimRegion{0.0, static_cast<double>(len) / sr};
}

} // namespace orvane
