#pragma once

#include "engine/dsp/LinearGlide.h"

#include <array>
#include <cstddef>

namespace orvane {

// Switches a unit in and out of the signal without a click: the change crossfades
// between the unprocessed (dry) and processed (wet) signal over a few milliseconds.
// Once fully bypassed the unit is skipped and its samples pass bit for bit.
//
// Use per block of at most kMaxFrames frames:
//   auto step = fade.begin(bypassWanted, left, right, frames);
//   if (!step.process) return;          // fully bypassed: leave the samples alone
//   if (step.restart) resetMyState();   // back from full bypass: start afresh
//   ...process left/right in place...
//   fade.end(left, right, frames);      // blends with the dry copy while fading
//
// Audio thread only; never allocates.
class BypassCrossfade {
public:
    static constexpr std::size_t kMaxFrames = 256;
    static constexpr double kFadeSeconds = 0.01;

    BypassCrossfade(double sampleRate, bool bypassed) noexcept;

    struct Step {
        bool process; // the unit must process this block
        bool restart; // the unit was fully bypassed until now: reset its state first
    };

    Step begin(bool bypass, const float* left, const float* right, std::size_t frames) noexcept;
    void end(float* left, float* right, std::size_t frames) noexcept;

    // Jumps to fully bypassed or fully processing, without a fade.
    void reset(bool bypassed) noexcept;

    // True while no processing happens at all.
    bool idle() const noexcept { return idle_; }

private:
    LinearGlide wet_;
    bool idle_;
    bool fading_ = false;
    float fromWet_ = 1.0f;
    float toWet_ = 1.0f;
    std::array<float, kMaxFrames> dryLeft_{};
    std::array<float, kMaxFrames> dryRight_{};
};

} // namespace orvane
