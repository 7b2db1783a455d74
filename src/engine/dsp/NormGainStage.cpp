#include "engine/dsp/NormGainStage.h"

#include "engine/dsp/GainRamp.h"

namespace orvane {

void NormGainStage::snap(float gain) noexcept {
    gain_ = seamTarget_ = gain;
    remaining_ = 0;
}

void NormGainStage::seam(float gain) noexcept {
    seamTarget_ = gain;
    remaining_ = seamFrames_;
    step_ = (gain - gain_) / static_cast<float>(seamFrames_);
}

void NormGainStage::apply(float* left, float* right, std::size_t frames, float target) noexcept {
    std::size_t i = 0;
    for (; i < frames && remaining_ > 0; ++i) {
        gain_ = --remaining_ == 0 ? seamTarget_ : gain_ + step_;
        left[i] *= gain_;
        right[i] *= gain_;
    }
    if (i == frames)
        return;
    // A target changed during the glide is reached across the rest of the block.
    StereoGainRamp ramp(gain_, gain_);
    ramp.apply(left + i, right + i, frames - i, target, target);
    gain_ = target;
}

} // namespace orvane
