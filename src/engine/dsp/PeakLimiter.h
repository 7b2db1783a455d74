#pragma once

#include "engine/dsp/LinearGlide.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane {

// Look-ahead brick-wall peak limiter: no output sample ever exceeds kCeiling (0 dBFS).
//
// The signal (after the pre-gain) is delayed by the attack time. For each frame the
// gain that would bring the louder channel down to the ceiling is computed; a sliding
// minimum holds it for the whole look-ahead window, a one-pole release (the decay
// time) lets it come back up, and a moving average as long as the window smooths the
// result. Every gain value that reaches a peak as it leaves the delay line is then an
// average of values no larger than the gain that peak needs, so the gain is down in
// time without ever jumping. The moving average is summed in integers, so it cannot
// drift over hours; a final clamp catches nothing but float rounding.
//
// The attack time sets the latency (latencyFrames()) and is fixed at construction; the
// decay time and the pre-gain can change while playing (a pre-gain change glides over
// 10 ms). The unit has no bypass: it is always in circuit.
//
// Threading: setters and getters from one control thread (the main thread), atomics
// only; process() and reset() on the audio thread. process() never allocates or locks.
class PeakLimiter {
public:
    static constexpr float kCeiling = 1.0f;
    static constexpr double kDefaultAttackSeconds = 0.012;
    static constexpr double kDefaultDecaySeconds = 0.024;
    static constexpr double kPreGainGlideSeconds = 0.01;

    // Times are clamped to 0.001 .. 0.03 s (attack) and 0.001 .. 0.06 s (decay).
    explicit PeakLimiter(double sampleRate, double attackSeconds = kDefaultAttackSeconds,
                         double decaySeconds = kDefaultDecaySeconds);
    PeakLimiter(const PeakLimiter&) = delete;
    PeakLimiter& operator=(const PeakLimiter&) = delete;

    // Pre-gain in dB, clamped to -40 .. 40 (NaN is ignored).
    void setPreGain(float db) noexcept;
    float preGain() const noexcept;
    // Decay (release) time in seconds, clamped to 0.001 .. 0.06 (NaN is ignored).
    void setDecay(float seconds) noexcept;
    float decay() const noexcept;
    float attack() const noexcept { return static_cast<float>(attackSeconds_); }

    // How many frames late the signal leaves the limiter.
    std::size_t latencyFrames() const noexcept { return window_ - 1; }

    void process(float* left, float* right, std::size_t frames) noexcept;
    // Empties the delay line and returns the gain to unity (audio thread, or any thread
    // while nothing processes).
    void reset() noexcept;

private:
    struct HeldGain {
        std::uint64_t frame;
        double gain;
    };

    double slidingMinimum(double gain) noexcept;

    double sampleRate_;
    double attackSeconds_;
    std::size_t window_; // look-ahead in frames, >= 1
    std::atomic<float> preGainDb_{0.0f};
    std::atomic<float> decaySeconds_;

    // Audio-thread state; every buffer is sized in the constructor.
    LinearGlide preGain_;
    float pulledDecay_ = -1.0f;
    double releaseCoefficient_ = 0.0;
    std::vector<float> delayLeft_;
    std::vector<float> delayRight_;
    std::size_t delayPos_ = 0;
    std::vector<HeldGain> held_; // ring buffer (a power of two): a deque of rising gains
    std::size_t heldFront_ = 0;
    std::size_t heldSize_ = 0;
    std::uint64_t frame_ = 0;
    double released_ = 1.0;
    std::vector<std::int64_t> averaged_; // ring of fixed-point gains
    std::size_t averagedPos_ = 0;
    std::int64_t averageSum_ = 0;
};

} // namespace orvane
