#include "engine/AudioEngine.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

constexpr double kFadeStepSeconds = 0.02;
constexpr int kFadeStepMs = 20;
constexpr int kNormRampSteps = 10;
constexpr double kNormRampStepSeconds = 0.02;
// Gains this close count as reached (no ramp needed).
constexpr float kGainEpsilonDb = 0.01f;

} // namespace

float normTargetDb(float gain) {
    if (!(gain > 0.0f))
        return 0.0f;
    return std::clamp(20.0f * std::log10(gain), -96.0f, 24.0f);
}

void AudioEngine::fade(float target, int ms, std::function<void()> completion) {
    fadeTimer_.cancel(); // a replaced fade's completion never runs
    pauseFadeRunning_ = false;
    const int steps = ms >= kFadeStepMs ? ms / kFadeStepMs : 1;
    const float start = fadeLevel_;
    fadeTimer_ = loop_.runEvery(kFadeStepSeconds, [this, target, steps, start, step = 0,
                                                   completion = std::move(completion)]() mutable {
        ++step;
        const float t = std::min(static_cast<float>(step) / static_cast<float>(steps), 1.0f);
        fadeLevel_ = start + (target - start) * t;
        host_->graph().setFadeLevel(std::clamp(fadeLevel_, 0.0f, 1.0f));
        if (step >= steps) {
            auto done = std::move(completion);
            fadeTimer_.cancel();
            pauseFadeRunning_ = false;
            if (done)
                done();
        }
    });
}

void AudioEngine::setNormGain(double gain, bool instant) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    normGain_ = static_cast<float>(gain);
    if (current_)
        current_->normGain = normGain_;
    const float target = normTargetDb(normGain_);
    if (instant) {
        normRampTimer_.cancel();
        applyNormUnit(target, target == 0.0f);
        return;
    }
    rampNormUnit(target);
}

void AudioEngine::applyNormUnit(float gainDb, bool bypassed) {
    normUnitGainDb_ = gainDb;
    normBypassed_ = bypassed;
    if (current_)
        host_->graph().setRegionNormGainDb(current_->regionID, currentRegionGainDb());
}

void AudioEngine::rampNormUnit(float targetDb) {
    normRampTimer_.cancel();
    const float start = normUnitGainDb_;
    if (targetDb == 0.0f) {
        if (std::abs(targetDb - start) <= kGainEpsilonDb) {
            applyNormUnit(start, true);
            return;
        }
    } else {
        if (normBypassed_)
            applyNormUnit(0.0f, false);
        if (std::abs(targetDb - normUnitGainDb_) <= kGainEpsilonDb)
            return;
    }
    const float from = normUnitGainDb_;
    normRampTimer_ =
        loop_.runEvery(kNormRampStepSeconds, [this, from, targetDb, step = 0]() mutable {
            ++step;
            const float t = std::min(static_cast<float>(step) / kNormRampSteps, 1.0f);
            applyNormUnit(from + (targetDb - from) * t, normBypassed_);
            if (step >= kNormRampSteps) {
                normRampTimer_.cancel();
                if (targetDb == 0.0f)
                    applyNormUnit(normUnitGainDb_, true);
            }
        });
}

} // namespace orvane
