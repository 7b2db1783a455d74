#include "engine/dsp/ToneChain.h"

#include "engine/dsp/CompressorPresets.h"
#include "engine/dsp/EQLayouts.h"

namespace orvane {

ToneChain::ToneChain(double sampleRate)
    : eq_(sampleRate, graphicEQBands(), true), compressor_(sampleRate, true),
      loudnessEQ_(sampleRate, loudnessEQBands(), true), limiter_(sampleRate) {
    limiter_.setPreGain(kLimiterPreGainDb);
    limiter_.reset();
}

void ToneChain::setCompressor(bool on, CompressorPreset preset) noexcept {
    if (on) {
        applyCompressorPreset(compressor_, preset);
        compressor_.setBypass(false);
    } else {
        compressor_.setBypass(true);
    }
    limiter_.setPreGain(kLimiterPreGainDb);
}

void ToneChain::process(float* left, float* right, std::size_t frames) noexcept {
    eq_.process(left, right, frames);
    compressor_.process(left, right, frames);
    loudnessEQ_.process(left, right, frames);
    limiter_.process(left, right, frames);
}

void ToneChain::reset() noexcept {
    eq_.reset();
    compressor_.reset();
    loudnessEQ_.reset();
    limiter_.reset();
}

} // namespace orvane
