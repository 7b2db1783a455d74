#pragma once

#include <cstddef>

namespace orvane {

// A parameter that moves to each new target in a straight line over a fixed number of
// frames, whatever size the blocks that advance it have. A new target taken mid-way
// starts a fresh glide from wherever the value is, so a train of small steps (a ramp
// driven by a timer) becomes one continuous movement.
//
// Audio thread only.
class LinearGlide {
public:
    explicit LinearGlide(double value = 0.0, std::size_t glideFrames = 1) noexcept
        : value_(value), target_(value), glideFrames_(glideFrames > 0 ? glideFrames : 1) {}

    void setGlideFrames(std::size_t frames) noexcept { glideFrames_ = frames > 0 ? frames : 1; }

    // Starts a glide towards `target` unless it is already the target.
    void retarget(double target) noexcept {
        if (target == target_)
            return;
        target_ = target;
        remaining_ = glideFrames_;
        step_ = (target_ - value_) / static_cast<double>(glideFrames_);
    }

    // Jumps to `value` at once (nothing is sounding, or a crossfade hides the jump).
    void snap(double value) noexcept {
        value_ = target_ = value;
        remaining_ = 0;
    }

    // Moves `frames` frames along and returns the value reached. The end of a glide is
    // the target exactly.
    double advance(std::size_t frames) noexcept {
        if (remaining_ == 0)
            return value_;
        if (frames >= remaining_) {
            value_ = target_;
            remaining_ = 0;
        } else {
            value_ += step_ * static_cast<double>(frames);
            remaining_ -= frames;
        }
        return value_;
    }

    bool moving() const noexcept { return remaining_ > 0; }
    double value() const noexcept { return value_; }
    double target() const noexcept { return target_; }

private:
    double value_;
    double target_;
    double step_ = 0.0;
    std::size_t remaining_ = 0;
    std::size_t glideFrames_;
};

} // namespace orvane
