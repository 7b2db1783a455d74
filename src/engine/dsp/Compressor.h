#pragma once

#include "engine/dsp/BypassCrossfade.h"
#include "engine/dsp/CompressorCurve.h"
#include "engine/dsp/LinearGlide.h"

#include <array>
#include <atomic>
#include <cstddef>

namespace orvane {

// The compressor's parameters, with the numbers the engine addresses them by.
enum class DynamicsParameter {
    threshold = 0,          // dB, -40 .. 20
    headRoom = 1,           // dB, 0.1 .. 40: output above the threshold stays below
                            // threshold + head room
    expansionRatio = 2,     // 1 .. 50; 1 is off
    expansionThreshold = 3, // dB, -120 .. 20
    attackTime = 4,         // s, 0.0001 .. 0.2
    releaseTime = 5,        // s, 0.01 .. 3
    overallGain = 6,        // make-up gain, dB, -40 .. 40
};

struct DynamicsParameterRange {
    float min;
    float max;
    float initial;
};

// Every parameter at once, in their units.
struct CompressorParameters {
    float thresholdDb = -20.0f;
    float headRoomDb = 5.0f;
    float expansionRatio = 1.0f;
    float expansionThresholdDb = -120.0f;
    float attackSeconds = 0.001f;
    float releaseSeconds = 0.05f;
    float overallGainDb = 0.0f;
};

// Stereo-linked feed-forward compressor with downward expander after Giannoulis,
// Massberg and Reiss (JAES 2012), detecting and smoothing in the log domain: the level
// of the louder channel in dB goes through the soft-knee static curve
// (CompressorCurve), and the resulting gain reduction through a smooth decoupled peak
// detector (instant rise, release time, then attack time); the make-up gain is added.
// The expander's reduction grows as the level falls, so it instead holds the level
// (instant rise, release time) before its part of the curve and smooths opening up with
// the attack time; it would otherwise snap shut at every zero crossing. Because the
// detectors follow peaks, a steady tone settles where the curve puts its peak level.
//
// A change of the make-up gain glides over 10 ms; the other parameters act through the
// detector, which smooths them by itself. Switching the unit in or out crossfades; when
// it comes back in, its detector starts from the current level, so the gain does not
// swell for an attack time.
//
// Threading: setters and getters from one control thread (the main thread), atomics
// only; process() and reset() on the audio thread, which reads the parameters once per
// block of at most 256 frames. process() never allocates or locks.
class Compressor {
public:
    static constexpr std::size_t kParameterCount = 7;
    static constexpr double kMakeUpGlideSeconds = 0.01;

    explicit Compressor(double sampleRate, bool bypassed = false);
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    static DynamicsParameterRange range(DynamicsParameter parameter) noexcept;

    // Clamped to the parameter's range; a value that is not a number is ignored.
    void setParameter(DynamicsParameter parameter, float value) noexcept;
    float parameter(DynamicsParameter parameter) const noexcept;

    // All parameters, set in the order threshold, head room, attack, release, overall
    // gain, expansion ratio, expansion threshold (each clamped as above).
    void setParameters(const CompressorParameters& parameters) noexcept;
    CompressorParameters parameters() const noexcept;

    void setBypass(bool bypassed) noexcept;
    bool bypassed() const noexcept;

    // The static curve of the current parameters.
    CompressorCurve curve() const noexcept;

    void process(float* left, float* right, std::size_t frames) noexcept;
    void reset() noexcept;

private:
    void processChunk(float* left, float* right, std::size_t frames) noexcept;
    void pullParameters() noexcept;
    void startDetector(const float* left, const float* right, std::size_t frames) noexcept;

    double sampleRate_;
    std::array<std::atomic<float>, kParameterCount> parameters_;
    std::atomic<bool> bypass_;

    // Audio-thread state.
    std::array<float, kParameterCount> pulled_{};
    CompressorCurve curve_;
    double attackCoefficient_ = 0.0;
    double releaseCoefficient_ = 0.0;
    double compressionPeakDb_ = 0.0;  // compression detector: decoupled peak stage
    double compressionDb_ = 0.0;      // ... after the attack smoothing
    double expanderLevelDb_ = -200.0; // expansion detector: held level
    double expansionDb_ = 0.0;        // ... its reduction after the attack smoothing
    LinearGlide makeUpDb_;
    BypassCrossfade bypassFade_;
    std::array<float, BypassCrossfade::kMaxFrames> level_{};
    std::array<float, BypassCrossfade::kMaxFrames> gainDb_{};
};

} // namespace orvane
