#include "engine/analysis/TempoDetection.h"

#include "engine/analysis/AnalysisFile.h"
#include "engine/analysis/PlanarBuffer.h"
#include "engine/dsp/VectorOps.h"
#include "media/AudioFileReader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace orvane {

namespace {

constexpr double kTempoWindowSec = 60.0;
constexpr double kMinBPM = 40.0;
constexpr double kMaxBPM = 200.0;
constexpr double kConfidenceRatio = 1.8;
constexpr double kFoldLow = 60.0;
constexpr double kFoldHigh = 200.0;
constexpr double kFoldTarget = 120.0;

} // namespace

double correctTempoOctave(double rawBPM) {
    const double b = rawBPM;
    const std::array<double, 7> candidates = {b, 2 * b, b / 2, 3 * b, b / 3, 2 * b / 3, 1.5 * b};
    std::optional<double> best;
    for (const double candidate : candidates) {
        if (candidate < kFoldLow || candidate > kFoldHigh)
            continue;
        if (!best || std::fabs(candidate - kFoldTarget) < std::fabs(*best - kFoldTarget))
            best = candidate;
    }
    return best.value_or(b);
}

std::optional<double> tempoFromEnvelope(const std::vector<float>& envelope, double sampleRate) {
    if (!(sampleRate > 0.0) || envelope.size() < kTempoMinBlocks)
        return std::nullopt;

    // Onset strength: only rises of the energy count.
    std::vector<float> onset(envelope.size(), 0.0f);
    for (std::size_t i = 1; i < envelope.size(); ++i)
        onset[i] = std::max(envelope[i] - envelope[i - 1], 0.0f);

    // Lags in blocks for 200 and 40 beats per minute (std::lround rounds halves away
    // from zero).
    const double blocksPerMinute = sampleRate / static_cast<double>(kTempoBlockFrames) * 60.0;
    const long minLag = std::max(std::lround(blocksPerMinute / kMaxBPM), 1L);
    const long maxLag = std::lround(blocksPerMinute / kMinBPM);
    const auto length = static_cast<long>(envelope.size());
    if (length <= maxLag || maxLag <= minLag)
        return std::nullopt;

    // Autocorrelation; the smallest lag wins ties.
    double bestValue = -1.0;
    long bestLag = minLag;
    double total = 0.0;
    for (long lag = minLag; lag <= maxLag; ++lag) {
        const auto n = static_cast<std::size_t>(length - lag);
        const double acf = dotProduct(onset.data(), onset.data() + lag, n) / static_cast<double>(n);
        total += acf;
        if (acf > bestValue) {
            bestValue = acf;
            bestLag = lag;
        }
    }
    const double mean = total / static_cast<double>(maxLag - minLag + 1);
    // Written as "not above" so that a NaN from a corrupt envelope gives no tempo too.
    if (!(mean > 0.0) || !(bestValue / mean > kConfidenceRatio))
        return std::nullopt;

    return correctTempoOctave(blocksPerMinute / static_cast<double>(bestLag));
}

std::optional<double> detectBPM(const std::string& path) {
    const auto reader = openForAnalysis(path);
    if (!reader)
        return std::nullopt;
    const double sr = reader->sampleRate();
    if (!(sr > 0.0))
        return std::nullopt;
    const std::int64_t limit =
        std::min(static_cast<std::int64_t>(kTempoWindowSec * sr), reader->lengthFrames());
    constexpr auto kBlock = static_cast<std::int64_t>(kTempoBlockFrames);
    auto buffer = PlanarBuffer::make(reader->channelCount(), kTempoBlockFrames);
    if (!buffer || !reader->seek(0))
        return std::nullopt;

    // Energy envelope: the RMS of each block over all channels. The last block stops
    // at the limit, so exactly the first 60 seconds are analysed.
    std::vector<float> envelope;
    envelope.reserve(static_cast<std::size_t>(std::max<std::int64_t>(limit / kBlock + 1, 0)));
    for (std::int64_t position = 0; position < limit;) {
        const std::int64_t frames =
            reader->read(buffer->data(), std::min(kBlock, limit - position));
        if (frames <= 0)
            break;
        double squares = 0.0;
        for (std::size_t c = 0; c < buffer->channelCount(); ++c)
            squares += sumOfSquares(buffer->channel(c), static_cast<std::size_t>(frames));
        const double samples =
            static_cast<double>(frames) * static_cast<double>(buffer->channelCount());
        envelope.push_back(static_cast<float>(std::sqrt(squares / samples)));
        position += frames;
    }
    return tempoFromEnvelope(envelope, sr);
}

} // namespace orvane
