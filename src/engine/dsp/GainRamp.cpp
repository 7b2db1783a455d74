#include "engine/dsp/GainRamp.h"

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

void rampChannel(float* samples, std::size_t frames, float from, float to) noexcept {
    if (from == to) {
        if (to == 1.0f)
            return;
        for (std::size_t i = 0; i < frames; ++i)
            samples[i] *= to;
        return;
    }
    const float step = (to - from) / static_cast<float>(frames);
    for (std::size_t i = 0; i < frames; ++i)
        samples[i] *= from + step * static_cast<float>(i + 1);
}

} // namespace

void StereoGainRamp::apply(float* left, float* right, std::size_t frames, float targetLeft,
                           float targetRight) noexcept {
    if (frames == 0)
        return;
    rampChannel(left, frames, left_, targetLeft);
    rampChannel(right, frames, right_, targetRight);
    left_ = targetLeft;
    right_ = targetRight;
}

PanGains panGains(float pan) noexcept {
    if (!std::isfinite(pan))
        return {};
    pan = std::clamp(pan, -1.0f, 1.0f);
    return {pan > 0.0f ? 1.0f - pan : 1.0f, pan < 0.0f ? 1.0f + pan : 1.0f};
}

float dbToLinear(float db) noexcept {
    return std::pow(10.0f, db / 20.0f);
}

} // namespace orvane
