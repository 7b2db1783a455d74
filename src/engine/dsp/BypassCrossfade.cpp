#include "engine/dsp/BypassCrossfade.h"

#include <algorithm>
#include <cmath>

namespace orvane {

BypassCrossfade::BypassCrossfade(double sampleRate, bool bypassed) noexcept
    : wet_(bypassed ? 0.0 : 1.0,
           static_cast<std::size_t>(std::max(1.0, std::round(kFadeSeconds * sampleRate)))),
      idle_(bypassed) {
}

void BypassCrossfade::reset(bool bypassed) noexcept {
    wet_.snap(bypassed ? 0.0 : 1.0);
    idle_ = bypassed;
    fading_ = false;
}

BypassCrossfade::Step BypassCrossfade::begin(bool bypass, const float* left, const float* right,
                                             std::size_t frames) noexcept {
    wet_.retarget(bypass ? 0.0 : 1.0);
    if (!wet_.moving() && wet_.value() == 0.0) {
        idle_ = true;
        fading_ = false;
        return {false, false};
    }
    const bool restart = idle_;
    idle_ = false;
    fading_ = wet_.moving() || wet_.value() != 1.0;
    if (fading_) {
        frames = std::min(frames, kMaxFrames);
        std::copy_n(left, frames, dryLeft_.begin());
        std::copy_n(right, frames, dryRight_.begin());
        fromWet_ = static_cast<float>(wet_.value());
        toWet_ = static_cast<float>(wet_.advance(frames));
    }
    return {true, restart};
}

void BypassCrossfade::end(float* left, float* right, std::size_t frames) noexcept {
    if (!fading_ || frames == 0)
        return;
    frames = std::min(frames, kMaxFrames);
    const float step = (toWet_ - fromWet_) / static_cast<float>(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const float wet = fromWet_ + step * static_cast<float>(i + 1);
        left[i] = dryLeft_[i] + (left[i] - dryLeft_[i]) * wet;
        right[i] = dryRight_[i] + (right[i] - dryRight_[i]) * wet;
    }
    fading_ = false;
}

} // namespace orvane
