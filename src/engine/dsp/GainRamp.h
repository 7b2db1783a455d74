#pragma once

#include <cstddef>

namespace orvane {

// A gain that never jumps: each block moves it in a straight line from where the last
// block left it to the new target, so parameter changes arriving once per block do
// not click. A gain that stays at exactly 1 leaves the samples untouched (bit-exact).
//
// Pure sample math; one instance per stage, used from one thread (the audio thread).
class StereoGainRamp {
public:
    explicit StereoGainRamp(float initialLeft = 1.0f, float initialRight = 1.0f)
        : left_(initialLeft), right_(initialRight) {}

    // Multiplies `frames` frames by the ramp towards the targets; ends at the targets.
    void apply(float* left, float* right, std::size_t frames, float targetLeft,
               float targetRight) noexcept;

    // Jumps to the targets without a ramp (nothing is playing, so nothing can click).
    void reset(float left, float right) noexcept {
        left_ = left;
        right_ = right;
    }

    float left() const noexcept { return left_; }
    float right() const noexcept { return right_; }

private:
    float left_;
    float right_;
};

// Balance pan as a stereo mixer applies it to a stereo signal: centre leaves both
// sides at unity, turning towards one side lowers the other linearly to silence at
// the end stop. `pan` is clamped to -1 (left) .. +1 (right).
struct PanGains {
    float left = 1.0f;
    float right = 1.0f;
};
PanGains panGains(float pan) noexcept;

// dB to a linear amplitude factor.
float dbToLinear(float db) noexcept;

} // namespace orvane
