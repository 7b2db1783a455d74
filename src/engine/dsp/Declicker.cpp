#include "engine/dsp/Declicker.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace orvane {

namespace {

// -80 dB: a step this small is inaudible whatever the signal does around it.
constexpr float kInaudibleStep = 1.0e-4f;

} // namespace

void Declicker::startAt(const float* left, const float* right, std::size_t offset) noexcept {
    const std::array<float, 2> first{left[offset], right[offset]};
    std::array<float, 2> jump{};
    bool step = remaining_ > 0; // a glide still running restarts from where it is
    for (std::size_t side = 0; side < 2; ++side) {
        jump[side] = last_[side] - first[side];
        const float ownStep = std::abs(last_[side] - beforeLast_[side]);
        if (!std::isfinite(jump[side]))
            return;
        step = step || std::abs(jump[side]) > 2.0f * ownStep + kInaudibleStep;
    }
    if (!step)
        return;
    fadingIn_ = std::abs(last_[0]) <= kInaudibleStep && std::abs(last_[1]) <= kInaudibleStep;
    offset_ = jump;
    remaining_ = rampFrames_;
}

void Declicker::run(float* left, float* right, std::size_t from, std::size_t to) noexcept {
    const float scale = 1.0f / static_cast<float>(rampFrames_ + 1);
    if (fadingIn_) {
        for (std::size_t i = from; i < to && remaining_ > 0; ++i, --remaining_) {
            const float gain = 1.0f - static_cast<float>(remaining_) * scale;
            left[i] *= gain;
            right[i] *= gain;
        }
        return;
    }
    for (std::size_t i = from; i < to && remaining_ > 0; ++i, --remaining_) {
        const float weight = static_cast<float>(remaining_) * scale;
        left[i] += offset_[0] * weight;
        right[i] += offset_[1] * weight;
    }
}

void Declicker::remember(const float* left, const float* right, std::size_t frames) noexcept {
    if (frames >= 2) {
        beforeLast_ = {left[frames - 2], right[frames - 2]};
        last_ = {left[frames - 1], right[frames - 1]};
    } else if (frames == 1) {
        beforeLast_ = last_;
        last_ = {left[0], right[0]};
    }
}

void Declicker::process(float* left, float* right, std::size_t frames, const std::size_t* cuts,
                        std::size_t cutCount) noexcept {
    if (frames == 0)
        return;
    std::size_t from = 0;
    if (std::exchange(cutAtNextFrame_, false))
        startAt(left, right, 0);
    for (std::size_t c = 0; c < cutCount; ++c) {
        const std::size_t at = std::min(cuts[c], frames);
        if (at == frames) {
            cutAtNextFrame_ = true; // a cut after the last frame is the next block's
            break;
        }
        run(left, right, from, at);
        remember(left + from, right + from, at - from);
        from = at;
        startAt(left, right, at);
    }
    run(left, right, from, frames);
    remember(left + from, right + from, frames - from);
}

} // namespace orvane
