#include "engine/AudioEngine.h"

#include "engine/EngineError.h"
#include "media/AudioFileReader.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

constexpr double kTickSeconds = 0.2;
// The transport tick while nobody watches: the position for the media controls and the
// preload check (12 s before the end) need no more.
constexpr double kUnwatchedTickSeconds = 1.0;
constexpr double kMeterTickSeconds = 1.0 / 15.0;
// A seek never lands in the last 50 ms, so a completion is always still to come.
constexpr double kSeekEndMargin = 0.05;
// onNeedPreload is sent while less than this remains.
constexpr double kPreloadWindow = 12.0;

} // namespace

AudioEngine::AudioEngine(MainLoop& loop, std::unique_ptr<AudioOutput> output, EngineOptions options)
    : loop_(loop) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    // Completions arrive on the decoder thread; they only cross over to the main loop.
    auto forward = [&loop, weak = std::weak_ptr<char>(alive_), this](const RegionCompletion& c) {
        loop.post([weak, this, c] {
            if (weak.lock())
                segmentFinished(c);
        });
    };
    // A connect attempt finished on the output's control thread: take it up on the main
    // thread, where the outputs are swapped.
    auto outputDone = [&loop, weak = std::weak_ptr<char>(alive_), this] {
        loop.post([weak, this] {
            if (weak.lock())
                serviceOutput();
        });
    };
    host_ = std::make_unique<AudioHost>(std::move(output), std::move(forward), options.host,
                                        std::move(outputDone));
    host_->graph().setTap(TapPoint::PostLimiter, &meterTap_);
    playingChanged_ = isPlaying.subscribe([this](bool) { scheduleTicks(); });
    scheduleTicks();
}

AudioEngine::~AudioEngine() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    // The audio and decoder threads go first; then nothing can post to us any more.
    host_.reset();
}

Segment AudioEngine::makeSegment(const std::string& path, const Uuid& trackID,
                                 std::shared_ptr<AudioFileReader> file, FrameRange range,
                                 double normGain) {
    Segment segment;
    segment.path = path;
    segment.channels = file->channelCount();
    segment.sampleRate = file->sampleRate();
    segment.file = std::move(file);
    segment.t0 = range.t0;
    segment.t1 = range.t1;
    segment.normGain = static_cast<float>(normGain);
    segment.trackID = trackID;
    return segment;
}

RegionRequest AudioEngine::regionRequest(const Segment& segment, std::int64_t fromFrame,
                                         float normGainDb) const {
    return {segment.file, fromFrame, segment.t1, segment.regionID, normGainDb};
}

void AudioEngine::load(const std::string& path, const Uuid& trackID, double trimStart,
                       std::optional<double> trimEnd, double normGain, int fadeInMs) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    stopInternal();
    auto file = openSegmentFile(path);
    const double sr = file->sampleRate();
    const auto range = trimmedRange(sr, file->lengthFrames(), trimStart, trimEnd);
    if (!range)
        throw EngineError(EngineError::Code::emptyRegion,
                          "nothing left to play in " + path + " once trimmed");

    current_ = makeSegment(path, trackID, std::move(file), *range, normGain);
    queued_.reset();

    segmentStartFrame_ = range->t0;
    nodeSecondsAtSegmentStart_ = 0.0;
    currentSegmentDur_ = static_cast<double>(range->t1 - range->t0) / sr;
    duration = static_cast<double>(range->t1) / sr;
    currentTime = static_cast<double>(range->t0) / sr;
    isLoaded = true;

    setNormGain(normGain, true);
    fadeLevel_ = 1.0f;
    host_->graph().setFadeLevel(1.0f);
    scheduleCurrent(range->t0);
    play(fadeInMs);
}

void AudioEngine::play(int fadeInMs) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (!current_)
        return;
    ensureEngineRunning();
    const bool fadeIn = fadeInMs >= 1;
    fadeLevel_ = fadeIn ? 0.0f : 1.0f;
    host_->graph().setFadeLevel(fadeLevel_);
    if (!fadeIn) {
        // A running fade (e.g. a pause fade) must not finish what this play undoes.
        fadeTimer_.cancel();
        pauseFadeRunning_ = false;
    }
    host_->setPlaying(true);
    isPlaying = true;
    if (fadeIn)
        fade(1.0f, fadeInMs, nullptr);
}

void AudioEngine::resume(int fadeInMs) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (!current_)
        return;
    if (isPlaying && pauseFadeRunning_) {
        // Interrupted pause: the pause never happens and the level climbs back from
        // wherever the fade-out got to.
        if (fadeInMs >= 1) {
            fade(1.0f, fadeInMs, nullptr);
        } else {
            fadeTimer_.cancel();
            pauseFadeRunning_ = false;
            fadeLevel_ = 1.0f;
            host_->graph().setFadeLevel(1.0f);
        }
        return;
    }
    if (isPlaying)
        return;
    play(fadeInMs);
}

void AudioEngine::pause(int fadeOutMs) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (!isPlaying)
        return;
    auto pausePlayer = [this] {
        host_->setPlaying(false);
        isPlaying = false;
        corkWhenHeard(); // nothing to render until play or resume
    };
    if (fadeOutMs < 1) {
        fadeTimer_.cancel();
        pauseFadeRunning_ = false;
        pausePlayer();
        return;
    }
    fade(0.0f, fadeOutMs, pausePlayer);
    pauseFadeRunning_ = true;
}

void AudioEngine::stop(int fadeOutMs) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (fadeOutMs >= 1 && isPlaying)
        fade(0.0f, fadeOutMs, [this] { hardStop(); });
    else
        hardStop();
}

void AudioEngine::hardStop() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    stopInternal();
    corkWhenHeard();
    currentTime = 0.0;
    duration = 0.0;
    isLoaded = false;
    current_.reset();
    queued_.reset();
}

void AudioEngine::stopInternal() {
    validCallbackIDs_.clear();
    fadeTimer_.cancel();
    pauseFadeRunning_ = false;
    host_->setPlaying(false);
    host_->schedule({}); // the player drops everything it had
    isPlaying = false;
    fadeLevel_ = 1.0f;
}

void AudioEngine::seek(double seconds) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (!current_ || !(duration.get() > 0.0) || std::isnan(seconds))
        return;
    const double start = static_cast<double>(current_->t0) / current_->sampleRate;
    const double target = std::max(start, std::min(seconds, duration.get() - kSeekEndMargin));
    const auto frame = std::clamp(static_cast<std::int64_t>(target * current_->sampleRate),
                                  current_->t0, current_->t1);
    const bool wasPlaying = isPlaying;
    if (queued_) {
        queued_.reset();
        if (onQueueDiscarded)
            onQueueDiscarded();
    }
    scheduleCurrent(frame);
    currentTime = target;
    if (wasPlaying) {
        ensureEngineRunning();
        host_->setPlaying(true);
        isPlaying = true;
    }
}

void AudioEngine::scheduleCurrent(std::int64_t fromFrame) {
    if (!current_)
        return;
    validCallbackIDs_.clear();
    const auto id = ++callbackCounter_;
    host_->setPlaying(false);
    nodeSecondsAtSegmentStart_ = 0.0;
    segmentStartFrame_ = fromFrame;
    const auto frames = current_->t1 - fromFrame;
    currentSegmentDur_ = static_cast<double>(frames) / current_->sampleRate;
    current_->regionID = id;
    if (frames >= 1) {
        validCallbackIDs_.insert(id);
        host_->schedule({regionRequest(*current_, fromFrame, currentRegionGainDb())});
    } else {
        host_->schedule({});
    }
}

std::optional<double> AudioEngine::playerPosition() {
    // Once the region has played out, or a stop or failed load dropped it, the player's
    // clock belongs to no region: the position stays where it was.
    if (!current_ || !regionPending())
        return std::nullopt;
    const auto heard = host_->heardPlayerFrames();
    if (!heard)
        return std::nullopt;
    return static_cast<double>(*heard) / host_->sampleRate() - nodeSecondsAtSegmentStart_ +
           static_cast<double>(segmentStartFrame_) / current_->sampleRate;
}

void AudioEngine::setMetersWatched(bool watched) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    metersWatched_ = watched;
    scheduleTicks();
}

void AudioEngine::scheduleTicks() {
    // Stopped or paused, the tick only lets the meters fall; once they rest nothing
    // needs waking until playback starts again, so an idle Orvane costs nothing.
    const bool playing = isPlaying;
    const MeterLevels levels = meterLevels();
    const bool metersFalling = fallMeters(levels, false) != levels;
    double interval = 0.0;
    if (playing)
        interval = metersWatched_ ? kTickSeconds : kUnwatchedTickSeconds;
    else if (metersFalling)
        interval = kTickSeconds;
    if (interval != tickInterval_) {
        tickInterval_ = interval;
        timer_ = interval > 0.0 ? loop_.runEvery(interval, [this] { tick(); }) : TimerHandle{};
    }
    const bool metering = playing && metersWatched_;
    if (metering != metering_) {
        metering_ = metering;
        visTimer_ =
            metering ? loop_.runEvery(kMeterTickSeconds, [this] { meterTick(); }) : TimerHandle{};
    }
}

void AudioEngine::tick() {
    decayMeters();
    if (!isPlaying) {
        scheduleTicks(); // the meters may have come to rest
        return;
    }
    // The device or server went away, or is back: carry on, silently if need be.
    serviceOutput();
    const auto position = playerPosition();
    if (!position)
        return;
    currentTime = std::max(0.0, std::min(*position, duration.get()));
    if (gaplessEnabled && !queued_ && duration.get() - currentTime.get() < kPreloadWindow &&
        duration.get() > 0.0 && onNeedPreload)
        onNeedPreload();
}

} // namespace orvane
