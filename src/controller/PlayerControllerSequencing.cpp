#include "controller/PlayerController.h"
#include "controller/TrackLookup.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>
#include <random>
#include <unordered_set>
#include <utility>

namespace orvane {

namespace {

std::unordered_set<Uuid, UuidHash> idSet(const std::vector<Track>& tracks) {
    std::unordered_set<Uuid, UuidHash> ids;
    ids.reserve(tracks.size());
    for (const auto& track : tracks)
        ids.insert(track.id);
    return ids;
}

} // namespace

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
        const auto next = shuffleAdvanceAndCommit(tracks, playlistID);
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
        if (const auto previous = shufflePrevious(list.tracks)) {
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
    updateSettings([](AppSettings& s) { s.shuffle = !s.shuffle; });
    if (settings.get().shuffle) {
        const auto pid = playingPlaylistID.get() ? playingPlaylistID.get() : activePlaylistID.get();
        if (const auto pi = playlistIndex(pid)) {
            const auto& list = playlists.get()[*pi];
            startShuffleOrder(list.tracks, playingTrackID.get(), list.id);
        }
    }
    scheduleSave();
}

void PlayerController::setPlaybackMode(PlaybackMode mode) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    // As for shuffle: what follows this track is chosen again, by the new mode.
    if (plannedNextID_)
        dropQueuedTrack();
    updateSettings([mode](AppSettings& s) { s.pbMode = mode; });
    scheduleSave();
}

void PlayerController::dropQueuedTrack() {
    // The engine reports the drop, which undoes a shuffle step the preload committed;
    // a plan made in list order is forgotten here, so that next chooses afresh. The
    // engine asks for a preload again on its next tick.
    engine_->discardQueued();
    plannedNextID_.reset();
    preCommitShufflePosition_.reset();
    preCommitShuffleOrder_.reset();
}

std::vector<Uuid> PlayerController::shuffledIDs(const std::vector<Track>& tracks) {
    std::vector<Uuid> ids;
    ids.reserve(tracks.size());
    for (const auto& track : tracks)
        ids.push_back(track.id);
    std::shuffle(ids.begin(), ids.end(), random_); // Fisher-Yates, uniform
    return ids;
}

void PlayerController::startShuffleOrder(const std::vector<Track>& tracks,
                                         const std::optional<Uuid>& startingWith,
                                         const Uuid& playlistID) {
    auto order = shuffledIDs(tracks);
    bool found = false;
    if (startingWith) {
        if (auto it = std::find(order.begin(), order.end(), *startingWith); it != order.end()) {
            std::rotate(order.begin(), it, it + 1); // to the front, the rest in order
            found = true;
        }
    }
    shuffleOrder_ = std::move(order);
    shufflePosition_ = found ? 0 : -1;
    shuffleOrderPlaylistID_ = playlistID;
}

std::optional<PlayerController::ShuffleStep>
PlayerController::peekShuffleNext(const std::vector<Track>& tracks, const Uuid& playlistID) {
    if (tracks.empty())
        return std::nullopt;
    ShuffleStep step;
    const bool ours = shuffleOrderPlaylistID_ == playlistID;
    std::ptrdiff_t pos = -1;
    if (ours && !shuffleOrder_.empty()) {
        step.order = shuffleOrder_;
        pos = shufflePosition_;
    } else {
        step.order = shuffledIDs(tracks);
        step.newPass = true;
    }
    const auto valid = idSet(tracks);
    const bool wrap = settings.get().pbMode == PlaybackMode::all;
    for (std::size_t attempt = 0; attempt < 4 * tracks.size(); ++attempt) {
        auto j = pos + 1;
        if (j < 0)
            j = 0;
        if (static_cast<std::size_t>(j) >= step.order.size()) {
            if (!wrap)
                return std::nullopt;
            // A new pass; the track just heard never opens it.
            const std::optional<Uuid> last =
                step.order.empty() ? std::nullopt : std::optional<Uuid>(step.order.back());
            step.order = shuffledIDs(tracks);
            step.newPass = true;
            if (step.order.size() >= 2 && step.order.front() == last)
                std::swap(step.order[0], step.order[1]);
            j = 0;
        }
        pos = j;
        const Uuid& candidate = step.order[static_cast<std::size_t>(j)];
        if (valid.count(candidate) != 0) {
            step.id = candidate;
            step.position = j;
            return step;
        }
    }
    return std::nullopt;
}

std::optional<Uuid> PlayerController::shuffleAdvanceAndCommit(const std::vector<Track>& tracks,
                                                              const Uuid& playlistID) {
    auto step = peekShuffleNext(tracks, playlistID);
    if (!step)
        return std::nullopt;
    shuffleOrder_ = std::move(step->order);
    shufflePosition_ = step->position;
    shuffleOrderPlaylistID_ = playlistID;
    return step->id;
}

std::optional<Uuid> PlayerController::shufflePrevious(const std::vector<Track>& tracks) {
    if (shuffleOrder_.empty())
        return std::nullopt;
    const auto valid = idSet(tracks);
    const auto top = std::min<std::ptrdiff_t>(shufflePosition_,
                                              static_cast<std::ptrdiff_t>(shuffleOrder_.size()));
    for (std::ptrdiff_t p = top; p >= 1; --p) {
        const Uuid& candidate = shuffleOrder_[static_cast<std::size_t>(p - 1)];
        if (valid.count(candidate) != 0) {
            shufflePosition_ = p - 1;
            return candidate;
        }
    }
    return std::nullopt;
}

void PlayerController::rollBackDiscardedShuffleCommit() {
    if (!plannedNextID_ || !preCommitShufflePosition_)
        return; // nothing queued, or queued in list order: the plan stays for nextTrack
    plannedNextID_.reset();
    shufflePosition_ = *std::exchange(preCommitShufflePosition_, std::nullopt);
    // When the preload began a new pass, the old pass comes back with its position:
    // the position belongs to it, and the next pass must be made (and checked against
    // the track that ends this one) afresh.
    if (preCommitShuffleOrder_) {
        auto snapshot = std::move(*std::exchange(preCommitShuffleOrder_, std::nullopt));
        shuffleOrder_ = std::move(snapshot.order);
        shuffleOrderPlaylistID_ = snapshot.playlistID;
    }
}

void PlayerController::insertIntoShuffleOrder(const std::vector<Uuid>& newIDs,
                                              const Uuid& playlistID) {
    if (!settings.get().shuffle || shuffleOrderPlaylistID_ != playlistID || shuffleOrder_.empty() ||
        newIDs.empty())
        return;
    for (const auto& id : newIDs) {
        const auto lo = static_cast<std::size_t>(std::max<std::ptrdiff_t>(shufflePosition_ + 1, 0));
        if (lo > shuffleOrder_.size()) {
            shuffleOrder_.push_back(id);
            continue;
        }
        std::uniform_int_distribution<std::size_t> where(lo, shuffleOrder_.size());
        shuffleOrder_.insert(shuffleOrder_.begin() + static_cast<std::ptrdiff_t>(where(random_)),
                             id);
    }
}

} // namespace orvane
