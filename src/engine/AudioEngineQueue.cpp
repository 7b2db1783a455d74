#include "engine/AudioEngine.h"
#include "engine/EngineError.h"
#include "media/AudioFileReader.h"
#include "runtime/Diagnostics.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

float normTargetDb(float gain) {
    if (!(gain > 0.0f))
        return 0.0f;
    return std::clamp(20.0f * std::log10(gain), -96.0f, 24.0f);
}

} // namespace

bool AudioEngine::preloadNext(const std::string& path, const Uuid& trackID, double trimStart,
                              std::optional<double> trimEnd, double normGain) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    // Only behind a region that is still to finish: once it has ended (or a stop kept
    // it loaded) nothing plays for the queued region to follow, and its completion would
    // pass for the current region's and hand over at the wrong end.
    if (queued_ || !current_ || !regionPending())
        return false;
    std::shared_ptr<AudioFileReader> file;
    try {
        file = openSegmentFile(path);
    } catch (const EngineError& error) {
        if (unqueuableTrack_ != trackID) {
            unqueuableTrack_ = trackID;
            reportDiagnostic(DiagnosticArea::engine, DiagnosticLevel::warning,
                             std::string("cannot queue the next track: ") + error.what());
        }
        return false;
    }
    unqueuableTrack_.reset();
    const double sr = file->sampleRate();
    // The queued region shares the player's connection: same rate and channel count.
    if (std::abs(sr - current_->sampleRate) >= 1.0 || file->channelCount() != current_->channels)
        return false;
    const auto range = trimmedRange(sr, file->lengthFrames(), trimStart, trimEnd);
    if (!range)
        return false;

    auto segment = makeSegment(path, trackID, std::move(file), *range, normGain);
    segment.regionID = ++callbackCounter_;
    validCallbackIDs_.insert(segment.regionID);
    host_->append(regionRequest(segment, segment.t0));
    queued_ = std::move(segment);
    return true;
}

void AudioEngine::discardQueued() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (!queued_)
        return;
    // The decoder may have run on into the queued region: only scheduling the current
    // one afresh takes it back out. It starts again where the player has rendered up
    // to, not where the listener is, so that what the output and the look-ahead still
    // hold plays once and runs straight on into the new schedule.
    const auto rendered = host_->renderedPlayerFrames();
    if (!current_ || !regionPending() || !rendered) {
        seek(currentTime.get());
        return;
    }
    // To the frame, not through seconds: a frame lost or repeated at the join is a click.
    const double played =
        static_cast<double>(*rendered) / host_->sampleRate() - nodeSecondsAtSegmentStart_;
    const auto frame =
        std::clamp<std::int64_t>(segmentStartFrame_ + std::llround(played * current_->sampleRate),
                                 current_->t0, current_->t1);
    const bool wasPlaying = isPlaying;
    queued_.reset();
    if (onQueueDiscarded)
        onQueueDiscarded();
    scheduleCurrent(frame); // the clock goes on showing what is heard until the next tick
    if (wasPlaying) {
        ensureEngineRunning();
        host_->setPlaying(true);
    }
}

void AudioEngine::segmentFinished(const RegionCompletion& completion) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (validCallbackIDs_.erase(completion.regionID) == 0)
        return; // stale: stopped, re-scheduled or replaced since
    if (!queued_) {
        host_->setPlaying(false);
        isPlaying = false;
        currentTime = duration.get();
        if (onTrackEnded)
            onTrackEnded();
        if (!isPlaying.get())
            host_->setOutputPaused(true); // nothing followed: nothing to render
        return;
    }
    // Hand-off: the player ran straight on into the queued region. Its clock reading
    // at the seam is exact, so the position restarts at the new region's start.
    nodeSecondsAtSegmentStart_ = static_cast<double>(completion.playerFrames) / host_->sampleRate();
    current_ = std::move(queued_);
    queued_.reset();
    segmentStartFrame_ = current_->t0;
    currentSegmentDur_ = static_cast<double>(current_->t1 - current_->t0) / current_->sampleRate;
    duration = static_cast<double>(current_->t1) / current_->sampleRate;
    // The position still lies in the old region, perhaps beyond the new one's end: it
    // moves into the new region now, not only at the next tick.
    const double start = static_cast<double>(current_->t0) / current_->sampleRate;
    currentTime = std::clamp(playerPosition().value_or(start), start, duration.get());
    normGain_ = current_->normGain;
    rampNormUnit(normTargetDb(current_->normGain));
    if (onGaplessPromotion)
        onGaplessPromotion(current_->trackID);
}

} // namespace orvane
