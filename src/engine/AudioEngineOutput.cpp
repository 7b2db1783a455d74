#include "engine/AudioEngine.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

// Beyond the latencies: the declicker's glide (3 ms) and the output's period.
constexpr double kCorkMarginSeconds = 0.02;

} // namespace

void AudioEngine::corkWhenHeard() {
    const double seconds =
        static_cast<double>(host_->latencyFrames()) / host_->sampleRate() + kCorkMarginSeconds;
    corkTimer_ = loop_.runAfter(seconds, [this] {
        corkTimer_.cancel();
        host_->setOutputPaused(true);
    });
}

void AudioEngine::ensureEngineRunning() {
    corkTimer_.cancel();
    if (!host_->isRunning() || host_->isOutputPaused()) {
        // What the meters captured before has been heard already; it must not show
        // again while the output fills its latency anew.
        meterExchange_.clear();
    }
    // The player's clock counts frames at the rate the output last ran at: where the
    // player is must be read before a start can change that rate.
    const auto position = playerPosition();
    // A failed start is not an error: a silent stand-in plays until the output is back.
    const auto change = host_->startOutput(loop_.now());
    if (change.rateChanged)
        rescheduleAtNewRate(position.value_or(currentTime.get()));
}

void AudioEngine::serviceOutput() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const auto position = playerPosition();
    const auto change = host_->serviceOutput(loop_.now());
    if (change.rateChanged) {
        meterExchange_.clear();
        rescheduleAtNewRate(position.value_or(currentTime.get()));
    }
}

void AudioEngine::rescheduleAtNewRate(double position) {
    // The regions were decoded for the old rate: decode them again from where the
    // player was, with the queued region (if any) behind. A region that has ended, or
    // was stopped, has nothing left to decode.
    if (!current_ || !regionPending())
        return;
    const bool playing = host_->isPlaying();
    const auto frame = std::clamp(static_cast<std::int64_t>(position * current_->sampleRate),
                                  current_->t0, current_->t1 - 1);
    scheduleCurrent(frame);
    if (queued_) {
        queued_->regionID = ++callbackCounter_;
        validCallbackIDs_.insert(queued_->regionID);
        host_->append(regionRequest(*queued_, queued_->t0, normTargetDb(queued_->normGain)));
    }
    host_->setPlaying(playing);
}

void AudioEngine::setOutputDevice(std::optional<std::string> uid) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const auto position = playerPosition();
    const auto change = host_->selectDevice(std::move(uid), loop_.now());
    if (change.rateChanged)
        rescheduleAtNewRate(position.value_or(currentTime.get()));
}

void AudioEngine::setVolume(float volume) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    host_->graph().setVolume(volume);
}

void AudioEngine::setPan(float pan) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    host_->graph().setPan(pan);
}

} // namespace orvane
