#include "engine/AudioEngine.h"

namespace orvane {

MeterLevels AudioEngine::meterLevels() const {
    return {vuLeftDb, vuRightDb, peakLeftDb, peakRightDb, peakHoldLeftDb, peakHoldRightDb};
}

void AudioEngine::meterTick() {
    // Between the tap and the listener lies only the output: the limiter's look-ahead
    // is already behind the tap.
    if (!meters_.tick(meterExchange_, host_->outputLatencyFrames(), meterLevels()))
        return;
    const MeterLevels& levels = meters_.levels();
    vuLeftDb = levels.vuLeftDb;
    vuRightDb = levels.vuRightDb;
    peakLeftDb = levels.peakLeftDb;
    peakRightDb = levels.peakRightDb;
    peakHoldLeftDb = levels.peakHoldLeftDb;
    peakHoldRightDb = levels.peakHoldRightDb;
    const auto& points = meters_.waveform();
    waveform = std::vector<float>(points.begin(), points.end());
    if (meters_.spectrumUpdated()) {
        const auto& bars = meters_.spectrumBars();
        spectrumBars = std::vector<float>(bars.begin(), bars.end());
    }
}

void AudioEngine::decayMeters() {
    const bool playing = isPlaying;
    const MeterLevels levels = fallMeters(meterLevels(), playing);
    peakHoldLeftDb = levels.peakHoldLeftDb;
    peakHoldRightDb = levels.peakHoldRightDb;
    if (playing)
        return;
    vuLeftDb = levels.vuLeftDb;
    vuRightDb = levels.vuRightDb;
    peakLeftDb = levels.peakLeftDb;
    peakRightDb = levels.peakRightDb;
}

} // namespace orvane
