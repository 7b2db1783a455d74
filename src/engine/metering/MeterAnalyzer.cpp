#include "engine/metering/MeterAnalyzer.h"

#include "engine/metering/MeterExchange.h"

#include <algorithm>
#include <span>

namespace orvane {

MeterAnalyzer::MeterAnalyzer() : scratchL_(kMeterWindowFrames), scratchR_(kMeterWindowFrames) {
}

bool MeterAnalyzer::tick(MeterExchange& exchange, std::int64_t latencyFrames,
                         const MeterLevels& current) {
    const MeterSnapshot snapshot =
        exchange.copyHeard(latencyFrames, scratchL_.data(), scratchR_.data(), kMeterWindowFrames);
    const float* right = snapshot.channels >= 2 ? scratchR_.data() : scratchL_.data();
    return analyse(scratchL_.data(), right, snapshot.frames, current);
}

bool MeterAnalyzer::tick(const float* left, const float* right, std::size_t frames,
                         const MeterLevels& current) {
    const std::size_t n = std::min(frames, kMeterWindowFrames);
    const std::size_t skip = frames - n;
    return analyse(left + skip, right + skip, n, current);
}

bool MeterAnalyzer::analyse(const float* left, const float* right, std::size_t frames,
                            const MeterLevels& current) {
    if (frames < 1)
        return false;
    levels_ = applyMeterBallistics(current, meterTargets(left, right, frames));
    makeWaveform(left, frames, waveform_);
    // The spectrum looks at the newest samples heard.
    spectrumUpdated_ = frames >= kSpectrumSize;
    if (spectrumUpdated_)
        spectrumAnalyzer_.magnitudes(
            std::span<const float>(left + frames - kSpectrumSize, kSpectrumSize), spectrumBars_);
    return true;
}

} // namespace orvane
