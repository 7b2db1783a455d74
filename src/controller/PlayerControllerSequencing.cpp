#include "controller/PlayerController.h"
#include "controller/TrackLookup.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>
#include <utility>

namespace orvane {

void PlayerController::nextTrack(bool automatic) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    advance(automatic ? AdvanceReason::trackEnded : AdvanceReason::user);
}

void PlayerController::advance(AdvanceReason reason) {
    // After a failed start the choice is made in the failing track's playlist, from
    // that track, by the rules of the user's next: a failure never repeats the same
    // track (mode one) or ends playback early (mode stopAfter).
    std::optional<Uuid> pid;
    if (failedStart_)
        pid = failedStart_->playlistID;
    else
        pid = playingPlaylistID.get() ? playingPlaylistID.get() : activePlaylistID.get();
    const auto pi = playlistIndex(pid);
    if (!pi)
        return;
    const auto& list = playlists.get()[*pi];
    const Uuid playlistID = list.id;
    const auto& tracks = list.tracks;
    if (tracks.empty()) {
        stop();
        return;
    }

    const AppSettings& s = settings.get();
    if (reason == AdvanceReason::trackEnded) {
        if (s.pbMode == PlaybackMode::stopAfter) {
            stop();
            return;
        }
        // A track removed while it played cannot come again: the choice goes on as for
        // next, from the track that followed it.
        if (s.pbMode == PlaybackMode::one && containsTrack(tracks, playingTrackID.get())) {
            const Uuid again = *playingTrackID.get();
            playInternal(again, playlistID);
            return;
        }
        if (plannedNextID_ && plannedNextID_ == playingTrackID.get()) {
            plannedNextID_.reset(); // the hand-off to the planned track already happened
            return;
        }
    }

    // The queued track (if still in the playlist) is the next one; after a failed
    // start the load has dropped it and the choice goes on from the failed track.
    if (reason != AdvanceReason::afterFailure && plannedNextID_ &&
        containsTrack(tracks, plannedNextID_)) {
        const Uuid planned = *std::exchange(plannedNextID_, std::nullopt);
        playInternal(planned, playlistID);
        return;
    }

    if (s.shuffle) {
        const auto next = shuffle_.advance(tracks, playlistID, shuffleWraps());
        if (next)
            playInternal(*next, playlistID);
        else
            stop();
        return;
    }

    const auto reference =
        failedStart_ ? std::optional<Uuid>(failedStart_->trackID) : playingTrackID.get();
    const auto current = trackIndex(tracks, reference);
    if (!current && orphanNextIndex_) {
        // The playing track was removed: go on with the track that followed it, or the
        // last one when nothing did (whatever the mode).
        const auto k = std::min(*std::exchange(orphanNextIndex_, std::nullopt), tracks.size() - 1);
        const Uuid following = tracks[k].id;
        playInternal(following, playlistID);
        return;
    }
    std::size_t j = current ? *current + 1 : 0;
    if (j >= tracks.size()) {
        if (s.pbMode != PlaybackMode::all) {
            stop();
            return;
        }
        j = 0;
    }
    const Uuid next = tracks[j].id;
    playInternal(next, playlistID);
}

void PlayerController::prevTrack() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    // The time heard counts from where the track starts to play: a trimmed start
    // of several seconds must not pass for time the user has listened.
    double start = 0.0;
    if (const auto& segment = engine_->currentSegment(); segment && segment->sampleRate > 0.0)
        start = static_cast<double>(segment->t0) / segment->sampleRate;
    if (engine_->currentTime.get() - start > 4.0) {
        engine_->seek(0.0); // the engine puts it at the trimmed start
        announceSeek();
        return;
    }
    const auto pid = playingPlaylistID.get() ? playingPlaylistID.get() : activePlaylistID.get();
    const auto pi = playlistIndex(pid);
    if (!pi || playlists.get()[*pi].tracks.empty())
        return;
    const auto& list = playlists.get()[*pi];
    const Uuid playlistID = list.id;

    if (settings.get().shuffle) {
        // A preload may have moved the position on to the queued track already; the
        // start below drops that track, so step back from the playing one instead.
        rollBackDiscardedShuffleCommit();
        if (const auto previous = shuffle_.previous(list.tracks)) {
            const Uuid target = *previous;
            playInternal(target, playlistID);
            return;
        }
    }
    const auto current = trackIndex(list.tracks, playingTrackID.get());
    const std::size_t target = current && *current > 0 ? *current - 1 : 0;
    const Uuid id = list.tracks[target].id;
    playInternal(id, playlistID);
}

void PlayerController::toggleShuffle() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    // A queued track was chosen by the old rule; dropped first, so that the shuffle
    // step its preload took is undone in the order it was taken from. The engine's next
    // tick queues again by the new rule (the drop itself is seamless).
    if (plannedNextID_)
        dropQueuedTrack();
    changeSettings([](AppSettings& s) { s.shuffle = !s.shuffle; });
    if (settings.get().shuffle) {
        const auto pid = playingPlaylistID.get() ? playingPlaylistID.get() : activePlaylistID.get();
        if (const auto pi = playlistIndex(pid)) {
            const auto& list = playlists.get()[*pi];
            shuffle_.start(list.tracks, playingTrackID.get(), list.id);
        }
    }
}

void PlayerController::setPlaybackMode(PlaybackMode mode) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    // As for shuffle: what follows this track is chosen again, by the new mode.
    if (plannedNextID_)
        dropQueuedTrack();
    changeSettings([mode](AppSettings& s) { s.pbMode = mode; });
}

void PlayerController::dropQueuedTrack() {
    // The engine reports the drop, which undoes a shuffle step the preload committed;
    // a plan made in list order is forgotten here, so that next chooses afresh. The
    // engine asks for a preload again on its next tick.
    engine_->discardQueued();
    plannedNextID_.reset();
    shuffle_.keepProvisional();
}

void PlayerController::rollBackDiscardedShuffleCommit() {
    // Nothing queued, or queued in list order: the plan stays for nextTrack.
    if (plannedNextID_ && shuffle_.rollBack())
        plannedNextID_.reset();
}

} // namespace orvane
