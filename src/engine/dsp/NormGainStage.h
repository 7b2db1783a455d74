#pragma once

#include <cstddef>

namespace orvane {

// The normalisation gain as the audio thread applies it. Within a region a new target
// is reached in a straight line across the block (a level that arrives while a track
// plays, the engine's ramp steps). At a seam between regions the next region's gain
// takes over within `seamFrames` frames of its first frame: long enough not to click,
// short enough that the new track is heard at its own level from the start.
//
// Pure sample math on the audio thread; no allocation.
class NormGainStage {
public:
    explicit NormGainStage(std::size_t seamFrames = 96) noexcept { setSeamFrames(seamFrames); }

    void setSeamFrames(std::size_t frames) noexcept { seamFrames_ = frames > 0 ? frames : 1; }

    // Jumps to `gain` (nothing sounds, so nothing can click).
    void snap(float gain) noexcept;
    // A new region begins at the next frame processed: glide to `gain` over the seam.
    void seam(float gain) noexcept;
    // Multiplies `frames` frames by the gain, which ends the block at `target` unless
    // a seam glide is still under way.
    void apply(float* left, float* right, std::size_t frames, float target) noexcept;

    float gain() const noexcept { return gain_; }

private:
    float gain_ = 1.0f;
    float seamTarget_ = 1.0f;
    float step_ = 0.0f;
    std::size_t remaining_ = 0;
    std::size_t seamFrames_ = 1;
};

} // namespace orvane
