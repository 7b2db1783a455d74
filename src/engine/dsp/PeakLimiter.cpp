#include "engine/dsp/PeakLimiter.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace orvane {

namespace {

constexpr double kFixedOne = 4294967296.0; // 2^32: the moving average's unity gain
constexpr std::size_t kChunk = 256;        // frames per pre-gain interpolation step

double clampSeconds(double seconds, double lo, double hi, double fallback) noexcept {
    return std::isfinite(seconds) ? std::clamp(seconds, lo, hi) : fallback;
}

} // namespace

PeakLimiter::PeakLimiter(double sampleRate, double attackSeconds, double decaySeconds)
    : sampleRate_(sampleRate),
      attackSeconds_(clampSeconds(attackSeconds, 0.001, 0.03, kDefaultAttackSeconds)),
      window_(static_cast<std::size_t>(std::max(1.0, std::round(attackSeconds_ * sampleRate)))),
      decaySeconds_(
          static_cast<float>(clampSeconds(decaySeconds, 0.001, 0.06, kDefaultDecaySeconds))),
      preGain_(0.0, static_cast<std::size_t>(
                        std::max(1.0, std::round(kPreGainGlideSeconds * sampleRate)))),
      delayLeft_(window_ - 1), delayRight_(window_ - 1), held_(std::bit_ceil(window_ + 1)),
      averaged_(window_) {
    reset();
}

void PeakLimiter::setPreGain(float db) noexcept {
    if (!std::isnan(db))
        preGainDb_.store(std::clamp(db, -40.0f, 40.0f), std::memory_order_relaxed);
}

float PeakLimiter::preGain() const noexcept {
    return preGainDb_.load(std::memory_order_relaxed);
}

void PeakLimiter::setDecay(float seconds) noexcept {
    if (!std::isnan(seconds))
        decaySeconds_.store(std::clamp(seconds, 0.001f, 0.06f), std::memory_order_relaxed);
}

float PeakLimiter::decay() const noexcept {
    return decaySeconds_.load(std::memory_order_relaxed);
}

void PeakLimiter::reset() noexcept {
    std::fill(delayLeft_.begin(), delayLeft_.end(), 0.0f);
    std::fill(delayRight_.begin(), delayRight_.end(), 0.0f);
    delayPos_ = 0;
    heldFront_ = 0;
    heldSize_ = 0;
    frame_ = 0;
    released_ = 1.0;
    const auto one = static_cast<std::int64_t>(kFixedOne);
    std::fill(averaged_.begin(), averaged_.end(), one);
    averagedPos_ = 0;
    averageSum_ = one * static_cast<std::int64_t>(window_);
    preGain_.snap(static_cast<double>(preGainDb_.load(std::memory_order_relaxed)));
}

double PeakLimiter::slidingMinimum(double gain) noexcept {
    const std::size_t mask = held_.size() - 1;
    // Entries no smaller than the new gain can never be the minimum again.
    while (heldSize_ > 0 && held_[(heldFront_ + heldSize_ - 1) & mask].gain >= gain)
        --heldSize_;
    held_[(heldFront_ + heldSize_) & mask] = {frame_, gain};
    ++heldSize_;
    // Frames advance one at a time, so at most the front entry leaves the window.
    if (held_[heldFront_].frame + window_ <= frame_) {
        heldFront_ = (heldFront_ + 1) & mask;
        --heldSize_;
    }
    ++frame_;
    return held_[heldFront_].gain;
}

void PeakLimiter::process(float* left, float* right, std::size_t frames) noexcept {
    const float decaySeconds = decaySeconds_.load(std::memory_order_relaxed);
    if (decaySeconds != pulledDecay_) {
        pulledDecay_ = decaySeconds;
        releaseCoefficient_ =
            1.0 - std::exp(-1.0 / (static_cast<double>(decaySeconds) * sampleRate_));
    }
    preGain_.retarget(static_cast<double>(preGainDb_.load(std::memory_order_relaxed)));

    const std::size_t delay = window_ - 1;
    const double toGain = 1.0 / (kFixedOne * static_cast<double>(window_));
    for (std::size_t offset = 0; offset < frames; offset += kChunk) {
        const auto n = std::min(kChunk, frames - offset);
        const auto fromPre = static_cast<float>(std::pow(10.0, preGain_.value() / 20.0));
        const auto toPre = static_cast<float>(std::pow(10.0, preGain_.advance(n) / 20.0));
        const float preStep = (toPre - fromPre) / static_cast<float>(n);
        float* l = left + offset;
        float* r = right + offset;
        for (std::size_t i = 0; i < n; ++i) {
            const float pre = fromPre + preStep * static_cast<float>(i + 1);
            const float inLeft = l[i] * pre;
            const float inRight = r[i] * pre;
            const float peak = std::max(std::abs(inLeft), std::abs(inRight));
            const double needed =
                peak > kCeiling ? static_cast<double>(kCeiling) / static_cast<double>(peak) : 1.0;
            const double held = slidingMinimum(needed);
            released_ =
                held < released_ ? held : released_ + (held - released_) * releaseCoefficient_;

            const auto fixed = static_cast<std::int64_t>(released_ * kFixedOne);
            averageSum_ = averageSum_ - averaged_[averagedPos_] + fixed;
            averaged_[averagedPos_] = fixed;
            averagedPos_ = averagedPos_ + 1 == window_ ? 0 : averagedPos_ + 1;
            const double gain = static_cast<double>(averageSum_) * toGain;

            float outLeft = inLeft;
            float outRight = inRight;
            if (delay > 0) {
                outLeft = delayLeft_[delayPos_];
                outRight = delayRight_[delayPos_];
                delayLeft_[delayPos_] = inLeft;
                delayRight_[delayPos_] = inRight;
                delayPos_ = delayPos_ + 1 == delay ? 0 : delayPos_ + 1;
            }
            l[i] = std::clamp(static_cast<float>(static_cast<double>(outLeft) * gain), -kCeiling,
                              kCeiling);
            r[i] = std::clamp(static_cast<float>(static_cast<double>(outRight) * gain), -kCeiling,
                              kCeiling);
        }
    }
}

} // namespace orvane
