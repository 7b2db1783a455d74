#include "engine/analysis/Levels.h"

#include "engine/analysis/AnalysisFile.h"
#include "engine/analysis/PlanarBuffer.h"
#include "engine/dsp/VectorOps.h"
#include "media/AudioFileReader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace orvane {

namespace {

// Large reads: the whole file is scanned, and per-call overhead should vanish.
constexpr std::int64_t kLevelsBlockFrames = 262144;
// A silent file reads -80 dB rather than 0, so that gains derived from it stay finite.
constexpr double kSilentLevel = 0.0001;

} // namespace

std::optional<AudioLevels> computeLevels(const std::string& path, int decoderThreads) {
    const auto reader = openForAnalysis(path, decoderThreads);
    if (!reader)
        return std::nullopt;
    auto buffer = PlanarBuffer::make(reader->channelCount(), kLevelsBlockFrames);
    if (!buffer)
        return std::nullopt;

    float peak = 0.0f;
    double squares = 0.0;
    std::int64_t count = 0;
    // Read to the true end of the data rather than to lengthFrames(): for a file whose
    // container states no length that figure is only an estimate.
    for (;;) {
        const std::int64_t frames = reader->read(buffer->data(), kLevelsBlockFrames);
        if (frames <= 0)
            break;
        const auto n = static_cast<std::size_t>(frames);
        for (std::size_t c = 0; c < buffer->channelCount(); ++c) {
            const PeakAndSquares channel = peakAndSumOfSquares(buffer->channel(c), n);
            peak = std::max(peak, channel.peak);
            squares += channel.squares;
        }
        count += frames * static_cast<std::int64_t>(buffer->channelCount());
    }
    if (count == 0)
        return std::nullopt;

    AudioLevels levels;
    levels.peak = static_cast<double>(peak);
    levels.rms = std::sqrt(squares / static_cast<double>(count));
    if (levels.peak == 0.0)
        levels.peak = kSilentLevel;
    if (levels.rms == 0.0)
        levels.rms = kSilentLevel;
    return levels;
}

} // namespace orvane
