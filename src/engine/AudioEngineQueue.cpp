#include "engine/AudioEngine.h"
#include "engine/EngineError.h"
#include "media/AudioFileReader.h"
#include "runtime/Diagnostics.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>
#include <cmath>

namespace orvane {

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
    const auto range = trimmedRange(sr, file->lengthFrames(), trimStart, trimEnd);
    if (!range)
        return false;

    auto segment = makeSegment(path, trackID, std::move(file), *range, normGain);
    segment.regionID = ++callbackCounter_;
    validCallbackIDs_.insert(segment.regionID);
    host_->append(regionRequest(segment, segment.t0, normTargetDb(segment.normGain)));
    queued_ = std::move(segment);
    return true;
}

void AudioEngine::setQueuedNormGain(const Uuid& trackID, double gain) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (!queued_ || queued_->trackID != trackID)
        return;
    queued_->normGain = static_cast<float>(gain);
    host_->graph().setRegionNormGainDb(queued_->regionID, normTargetDb(queued_->normGain));
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
            corkWhenHeard(); // nothing followed: nothing to render
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
    // The audio thread changed the gain at the seam frame; the unit follows without a
    // ramp of its own, and a ramp left over from the old track ends here.
    normGain_ = current_->normGain;
    normRampTimer_.cancel();
    const float gainDb = normTargetDb(current_->normGain);
    applyNormUnit(gainDb, gainDb == 0.0f);
    if (onGaplessPromotion)
        onGaplessPromotion(current_->trackID);
}

} // namespace orvane
