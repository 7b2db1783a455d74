#include "controller/PlayerController.h"
#include "controller/TrackLookup.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>

namespace orvane {

void PlayerController::removeSelected() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const Playlist* active = activePlaylist();
    if (!active || selection.get().empty())
        return;
    const Uuid playlistID = active->id;
    Removal removal = Removal::of(*active, selection.get());
    if (removal.items.empty())
        return;

    const auto removedIDs = removal.ids();
    const auto isRemoved = [&](const std::optional<Uuid>& id) {
        return id && removedIDs.count(*id) != 0;
    };
    if (playingPlaylistID.get() == playlistID) {
        if (isRemoved(playingTrackID.get())) {
            // The playing track plays on; next continues with the track that followed
            // it, at its index after the removal.
            const auto p = *trackIndex(active->tracks, playingTrackID.get());
            orphanNextIndex_ = p - removal.countBefore(p);
        } else if (orphanNextIndex_ && !containsTrack(active->tracks, playingTrackID.get())) {
            // Removed earlier: the index follows the track it points at (or, when that
            // one goes too, the next one that stays).
            *orphanNextIndex_ -= removal.countBefore(*orphanNextIndex_);
        }
    }
    if (isRemoved(plannedNextID_))
        dropQueuedTrack(); // the next track is chosen again

    updatePlaylists([&](std::vector<Playlist>& lists) {
        for (auto& list : lists) {
            if (list.id != playlistID)
                continue;
            std::erase_if(list.tracks, [&](const Track& t) { return isRemoved(t.id); });
            break;
        }
    });
    removals_.push(std::move(removal));
    removalUndoAvailable = true;
    selection = std::set<Uuid>{};
    scheduleSave();
}

void PlayerController::undoRemove() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    auto removal = removals_.pop();
    if (!removal)
        return;
    if (!playlistIndex(removal->playlistID))
        return; // its playlist was closed: the entry is dropped
    std::set<Uuid> restored;
    updatePlaylists([&](std::vector<Playlist>& lists) {
        for (auto& list : lists) {
            if (list.id != removal->playlistID)
                continue;
            restored = std::move(*removal).restoreInto(list.tracks);
            break;
        }
    });
    selection = std::move(restored);
    removalUndoAvailable = !removals_.empty();
    orphanNextIndex_.reset();
    scheduleSave();
}

void PlayerController::moveTrack(std::ptrdiff_t fromIndex, std::ptrdiff_t toInsertionIndex) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const auto pi = playlistIndex(activePlaylistID.get());
    if (!pi)
        return;
    const auto count = static_cast<std::ptrdiff_t>(playlists.get()[*pi].tracks.size());
    if (fromIndex < 0 || fromIndex >= count)
        return;
    // The gap is counted before the removal: a gap after the source is one less after it.
    const auto gap = std::clamp<std::ptrdiff_t>(toInsertionIndex, 0, count);
    const auto destination = fromIndex < gap ? gap - 1 : gap;
    if (destination == fromIndex)
        return;
    // Where next goes after a removed playing track follows the track it points at.
    const auto orphan = liveOrphanIndex(*pi);
    std::optional<Uuid> orphanTarget;
    if (orphan && *orphan < playlists.get()[*pi].tracks.size())
        orphanTarget = playlists.get()[*pi].tracks[*orphan].id;
    updatePlaylists([&](std::vector<Playlist>& lists) {
        auto& tracks = lists[*pi].tracks;
        const auto from = tracks.begin() + fromIndex;
        const auto to = tracks.begin() + destination;
        // One rotation moves the track and shifts the ones between by one place.
        if (from < to)
            std::rotate(from, from + 1, to + 1);
        else
            std::rotate(to, from, from + 1);
    });
    if (orphanTarget)
        orphanNextIndex_ = trackIndex(playlists.get()[*pi].tracks, orphanTarget);
    scheduleSave();
}

void PlayerController::clearActivePlaylist() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const auto pi = playlistIndex(activePlaylistID.get());
    if (!pi)
        return;
    const Uuid playlistID = playlists.get()[*pi].id;
    if (playingPlaylistID.get() == playlistID)
        stop();
    updatePlaylists([&](std::vector<Playlist>& lists) {
        for (auto& list : lists)
            if (list.id == playlistID)
                list.tracks.clear();
    });
    selection = std::set<Uuid>{};
    scheduleSave();
}

std::optional<std::size_t> PlayerController::liveOrphanIndex(std::size_t pi) const {
    // Only while the playing track is missing from its playlist does next use it.
    const auto& list = playlists.get()[pi];
    if (!orphanNextIndex_ || playingPlaylistID.get() != list.id ||
        containsTrack(list.tracks, playingTrackID.get()))
        return std::nullopt;
    return orphanNextIndex_;
}

} // namespace orvane
