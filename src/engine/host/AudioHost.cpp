#include "engine/host/AudioHost.h"

#include <cmath>

#include <pthread.h>

namespace orvane {

namespace {

int roundedRate(double rate) {
    return static_cast<int>(std::lround(rate));
}

} // namespace

void AudioHost::Source::render(float* left, float* right, std::size_t frames) noexcept {
    host_.graph_.render(left, right, frames);
    // Space was freed in the ring (and perhaps completions queued): let the decoder run.
    if (host_.options_.decoderThread)
        host_.wake_.signal();
}

AudioHost::AudioHost(std::unique_ptr<AudioOutput> output, CompletionHandler onCompletion,
                     HostOptions options, std::function<void()> onOutputControlDone)
    : options_(options), onCompletion_(std::move(onCompletion)), ring_(options.ringFrames),
      player_(ring_, markers_, completions_), graph_(player_), decoder_(ring_, markers_),
      outputs_(std::move(output), source_, options.output, std::move(onOutputControlDone)),
      rate_(outputs_.sampleRate()) {
    graph_.setSampleRate(rate_);
    if (options_.decoderThread)
        decoderThread_ = std::thread([this] { runDecoder(); });
}

AudioHost::~AudioHost() {
    stopOutput();
    if (decoderThread_.joinable()) {
        stopDecoder_.store(true, std::memory_order_release);
        wake_.signal();
        decoderThread_.join();
    }
}

void AudioHost::runDecoder() {
    pthread_setname_np(pthread_self(), "orvane-decoder");
    while (!stopDecoder_.load(std::memory_order_acquire)) {
        decoder_.service();
        forwardCompletions();
        // service() does all there is to do; more comes only with a signal: from the
        // audio thread after every block, from schedule() and append(). The timeout is
        // a safety net, long enough that a paused or stopped Orvane stays asleep.
        wake_.wait(std::chrono::seconds(1));
    }
}

void AudioHost::pump() {
    if (options_.decoderThread)
        return;
    decoder_.service();
    forwardCompletions();
}

void AudioHost::forwardCompletions() {
    while (auto completion = completions_.tryPop())
        if (onCompletion_)
            onCompletion_(*completion);
}

std::uint64_t AudioHost::schedule(std::vector<RegionRequest> regions) {
    ++schedule_;
    // The player learns of the schedule first, so it drops the old data from now on.
    player_.setSchedule(schedule_);
    decoder_.schedule(schedule_, std::move(regions), roundedRate(rate_));
    // The old schedule's data is dropped now, with no output rendering for the moment:
    // left to the next render, it would fill the ring until then, and that render (the
    // first after a seek, a dropped queue or a resume from a corked pause) would find
    // the ring empty and play silence.
    outputs_.whileNothingRenders([this] { player_.render(nullptr, nullptr, 0); });
    wake_.signal();
    return schedule_;
}

void AudioHost::append(RegionRequest region) {
    decoder_.append(schedule_, std::move(region));
    wake_.signal();
}

void AudioHost::setPlaying(bool playing) {
    player_.setPlaying(playing);
}

std::optional<std::int64_t> AudioHost::heardPlayerFrames() {
    const auto clock = player_.clock();
    if (clock.schedule != schedule_)
        return std::nullopt;
    const auto latency = latencyFrames();
    player_.setLatencyFrames(latency);
    return orvane::heardPlayerFrames(clock, latency);
}

std::optional<std::int64_t> AudioHost::renderedPlayerFrames() const {
    const auto clock = player_.clock();
    if (clock.schedule != schedule_)
        return std::nullopt;
    return clock.playerFrames;
}

std::int64_t AudioHost::latencyFrames() const {
    return outputLatencyFrames() + graph_.processingLatencyFrames();
}

std::int64_t AudioHost::outputLatencyFrames() const {
    return outputs_.latencyFrames();
}

AudioHost::OutputChange AudioHost::adoptOutputRate(OutputChange change) {
    rate_ = outputs_.sampleRate();
    graph_.setSampleRate(rate_);
    player_.setLatencyFrames(latencyFrames());
    return change;
}

AudioHost::OutputChange AudioHost::startOutput(double now) {
    outputs_.setPaused(false);
    return adoptOutputRate(outputs_.start(now));
}

AudioHost::OutputChange AudioHost::serviceOutput(double now) {
    return adoptOutputRate(outputs_.service(now));
}

void AudioHost::setOutputPaused(bool paused) {
    outputs_.setPaused(paused);
}

void AudioHost::stopOutput() {
    outputs_.stop();
}

AudioHost::OutputChange AudioHost::selectDevice(std::optional<std::string> uid, double now) {
    return adoptOutputRate(outputs_.selectDevice(std::move(uid), now));
}

} // namespace orvane
