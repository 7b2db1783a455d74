#include "engine/AudioEngine.h"

#include <algorithm>
#include <cmath>

namespace orvane {

void AudioEngine::ensureEngineRunning() {
    if (host_->isRunning())
        return;
    // What the meters captured from an earlier run has been heard already; it must not
    // show again while the new run fills its output latency.
    meterExchange_.clear();
    // The player's clock counts frames at the rate the output last ran at: where the
    // player is must be read before a start can change that rate.
    const auto position = playerPosition();
    // A failed start is not an error: the host then runs a silent output instead.
    const auto started = host_->ensureRunning();
    if (started.rateChanged)
        rescheduleAtNewRate(position.value_or(currentTime.get()));
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
        host_->append(regionRequest(*queued_, queued_->t0));
    }
    host_->setPlaying(playing);
}

void AudioEngine::setOutputDevice(std::optional<std::uint32_t> deviceID) {
    const bool wasRunning = host_->isRunning();
    host_->selectDevice(deviceID);
    if ((wasRunning || isPlaying) && !host_->isRunning())
        ensureEngineRunning();
}

void AudioEngine::setVolume(float volume) {
    host_->graph().setVolume(volume);
}

void AudioEngine::setPan(float pan) {
    host_->graph().setPan(pan);
}

} // namespace orvane
