#pragma once

#include <array>
#include <cstddef>

namespace orvane {

// The arithmetic of Orvane's level meters, apart from where the samples come from:
// readings from a block of samples, the ballistics that move the published values
// towards them at each meter tick (1/15 s while playing), and the slow falls of the
// 0.2 s engine tick. All of it runs on the main thread on plain values.

inline constexpr double kVUFloorDb = -30.0;            // lowest reading of every meter
inline constexpr double kVUCalibrationOffsetDb = 12.0; // added to RMS readings
inline constexpr double kPeakSilenceDb = -80.0;        // peak of a silent block, before the floor
inline constexpr double kVUFallPerMeterTickDb = 1.5;   // 22.5 dB/s
inline constexpr double kPeakFallPerMeterTickDb = 2.5; // 37.5 dB/s
inline constexpr double kHoldFallPerTickDb = 0.9;      // per 0.2 s tick: 4.5 dB/s
inline constexpr double kIdleFallPerTickDb = 3.0;      // per 0.2 s tick when not playing

inline constexpr std::size_t kWaveformPoints = 256;
inline constexpr std::size_t kSpectrumBands = 24;
inline constexpr std::size_t kSpectrumSize = 1024;
// The most frames one meter tick looks at, per channel.
inline constexpr std::size_t kMeterWindowFrames = 4096;

// The six published meter values, in dB.
struct MeterLevels {
    double vuLeftDb = kVUFloorDb;
    double vuRightDb = kVUFloorDb;
    double peakLeftDb = kVUFloorDb;
    double peakRightDb = kVUFloorDb;
    double peakHoldLeftDb = kVUFloorDb;
    double peakHoldRightDb = kVUFloorDb;

    friend bool operator==(const MeterLevels&, const MeterLevels&) = default;
};

// What one block of samples reads, per side: the VU target (calibrated RMS, never
// above 0 dB) and the peak target, both at least the floor.
struct MeterTargets {
    double vuLeftDb = kVUFloorDb;
    double vuRightDb = kVUFloorDb;
    double peakLeftDb = kVUFloorDb;
    double peakRightDb = kVUFloorDb;
};

// VU target of n samples: 20 log10(RMS) + 12 dB, within floor..0.
double vuTargetDb(const float* samples, std::size_t n) noexcept;
// Peak target of n samples: 20 log10(max |x|), at least the floor.
double peakTargetDb(const float* samples, std::size_t n) noexcept;
// Both targets for both sides; pass the left samples again as `right` for mono.
MeterTargets meterTargets(const float* left, const float* right, std::size_t n) noexcept;

// One meter tick: a value below its target jumps to it, otherwise it falls by 1.5 dB
// (VU) or 2.5 dB (peak), not below the floor; each hold rises to its peak target.
MeterLevels applyMeterBallistics(const MeterLevels& current, const MeterTargets& targets) noexcept;

// The 0.2 s engine tick: holds fall 0.9 dB always; when not playing the VU and peak
// values fall 3 dB as well. Nothing falls below the floor. The engine publishes the
// two holds first, then (when not playing) vuLeftDb, vuRightDb, peakLeftDb and
// peakRightDb; the waveform and the spectrum bars stay as they are.
MeterLevels fallMeters(const MeterLevels& current, bool playing) noexcept;

// The oscilloscope trace: 256 points picked from the first n samples at a step of
// max(n, 256) / 256 (the last sample repeats when n < 256). n == 0 gives zeros.
void makeWaveform(const float* samples, std::size_t n,
                  std::array<float, kWaveformPoints>& waveform) noexcept;

} // namespace orvane
