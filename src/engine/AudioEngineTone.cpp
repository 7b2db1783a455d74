#include "engine/AudioEngine.h"
#include "engine/dsp/CompressorPresets.h"
#include "engine/dsp/LoudnessCurve.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

constexpr int kEQRampSteps = 8;
constexpr double kEQRampStepSeconds = 0.015;
constexpr int kLoudRampSteps = 10;
constexpr double kLoudRampStepSeconds = 0.02;
// A loudness target this close to flat counts as flat.
constexpr float kFlatEpsilonDb = 0.01f;
// The limiter's resting pre-gain, restored after every compressor change.
constexpr float kLimiterPreGainDb = -0.8f;

} // namespace

void AudioEngine::applyEQBand(std::size_t band, float db) {
    eqBandGainsDb_[band] = db;
    host_->graph().setEQBandGainDb(band, db);
}

void AudioEngine::applyLoudBand(std::size_t band, float db) {
    loudBandGainsDb_[band] = db;
    host_->graph().setLoudBandGainDb(band, db);
}

void AudioEngine::setEQEnabled(bool on) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (on == eqEnabledFlag_)
        return;
    eqEnabledFlag_ = on;
    if (on) {
        eqBypassed_ = false;
        host_->graph().setEQBypassed(false);
        rampEQ(true, nullptr);
    } else {
        rampEQ(false, [this] {
            eqBypassed_ = true;
            host_->graph().setEQBypassed(true);
        });
    }
}

void AudioEngine::setEQGain(int band, float db) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (band < 0 || static_cast<std::size_t>(band) >= storedEQGains_.size())
        return;
    const auto index = static_cast<std::size_t>(band);
    storedEQGains_[index] = db;
    if (eqEnabledFlag_)
        applyEQBand(index, db);
}

void AudioEngine::rampEQ(bool on, std::function<void()> completion) {
    eqRampTimer_.cancel();
    const auto start = eqBandGainsDb_;
    std::array<float, 10> target{};
    if (on)
        target = storedEQGains_;
    // The timer is owned by the engine, so it dies with it: no weak capture needed.
    eqRampTimer_ =
        loop_.runEvery(kEQRampStepSeconds, [this, start, target, step = 0,
                                            completion = std::move(completion)]() mutable {
            ++step;
            const float t = std::min(static_cast<float>(step) / kEQRampSteps, 1.0f);
            for (std::size_t band = 0; band < start.size(); ++band)
                applyEQBand(band, start[band] + (target[band] - start[band]) * t);
            if (step >= kEQRampSteps) {
                auto done = std::move(completion);
                eqRampTimer_.cancel();
                if (done)
                    done();
            }
        });
}

void AudioEngine::rampLoudEQ(const std::array<float, 2>& targetsDb) {
    loudRampTimer_.cancel();
    const bool active = std::any_of(targetsDb.begin(), targetsDb.end(),
                                    [](float db) { return std::abs(db) > kFlatEpsilonDb; });
    if (active && loudBypassed_) {
        for (std::size_t band = 0; band < loudBandGainsDb_.size(); ++band)
            applyLoudBand(band, 0.0f);
        loudBypassed_ = false;
        host_->graph().setLoudBypassed(false);
    }
    const auto start = loudBandGainsDb_;
    loudRampTimer_ =
        loop_.runEvery(kLoudRampStepSeconds, [this, start, targetsDb, active, step = 0]() mutable {
            ++step;
            const float t = std::min(static_cast<float>(step) / kLoudRampSteps, 1.0f);
            for (std::size_t band = 0; band < start.size(); ++band)
                applyLoudBand(band, start[band] + (targetsDb[band] - start[band]) * t);
            if (step >= kLoudRampSteps) {
                loudRampTimer_.cancel();
                if (!active) {
                    loudBypassed_ = true;
                    host_->graph().setLoudBypassed(true);
                }
            }
        });
}

void AudioEngine::setLoudness(bool on, double volume) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (on) {
        const auto curve = loudnessCurveDb(volume);
        rampLoudEQ({curve.lowShelfDb, curve.highShelfDb});
        return;
    }
    if (loudBypassed_)
        return;
    rampLoudEQ({0.0f, 0.0f});
}

void AudioEngine::setCompressor(bool on, CompressorPreset preset) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    auto& graph = host_->graph();
    if (on) {
        graph.setCompressorParameters(compressorParameters(preset));
        compBypassed_ = false;
    } else {
        compBypassed_ = true; // the parameters keep their last values
    }
    graph.setCompressorBypassed(compBypassed_);
    graph.setLimiterPreGainDb(kLimiterPreGainDb);
}

void AudioEngine::setCharacter(const CharacterParams& params) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    character_ = params;
}

} // namespace orvane
