#pragma once

#include "engine/metering/MeterBallistics.h"
#include "engine/metering/SpectrumAnalyzer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane {

class MeterExchange;

// The main thread's half of the meters: once per meter tick (1/15 s while playing) it
// copies the heard window out of the MeterExchange into its scratch buffers and turns
// it into the values the views draw: VU and peak readings with their ballistics, the
// peak holds, a 256-point waveform and 24 spectrum bars.
//
// The engine keeps the published values; a tick takes their current state and leaves
// the new state here for the engine to publish, in this order: vuLeftDb, vuRightDb,
// peakLeftDb, peakRightDb, peakHoldLeftDb, peakHoldRightDb, waveform, and
// spectrumBars only when spectrumUpdated():
//
//   void AudioEngine::meterTick() {
//       if (!meters_.tick(meterExchange_, host_->outputLatencyFrames(), publishedLevels()))
//           return;
//       publish(meters_.levels()); waveform = meters_.waveform();
//       if (meters_.spectrumUpdated()) spectrumBars = meters_.spectrumBars();
//   }
//
// Threading: main thread only. All buffers and the FFT plan are made at construction;
// a tick allocates nothing.
class MeterAnalyzer {
public:
    MeterAnalyzer();

    // One meter tick on the window heard now. False, with nothing changed, when
    // nothing has been heard yet (the exchange had no frames to give).
    bool tick(MeterExchange& exchange, std::int64_t latencyFrames, const MeterLevels& current);

    // One meter tick on `frames` samples per side already at hand (oldest first);
    // `right` may equal `left` (mono). At most kMeterWindowFrames are looked at: the
    // newest ones. False, with nothing changed, for 0 frames.
    bool tick(const float* left, const float* right, std::size_t frames,
              const MeterLevels& current);

    // The state after the last successful tick.
    const MeterLevels& levels() const { return levels_; }
    const std::array<float, kWaveformPoints>& waveform() const { return waveform_; }
    const std::array<float, kSpectrumBands>& spectrumBars() const { return spectrumBars_; }
    // Whether the last successful tick had the 1024 samples the spectrum needs; the
    // bars keep their previous values otherwise.
    bool spectrumUpdated() const { return spectrumUpdated_; }

private:
    bool analyse(const float* left, const float* right, std::size_t frames,
                 const MeterLevels& current);

    std::vector<float> scratchL_;
    std::vector<float> scratchR_;
    SpectrumAnalyzer spectrumAnalyzer_{kSpectrumSize};
    MeterLevels levels_;
    std::array<float, kWaveformPoints> waveform_{};
    std::array<float, kSpectrumBands> spectrumBars_{};
    bool spectrumUpdated_ = false;
};

} // namespace orvane
