#include "controller/PlayerController.h"
#include "model/AudioFiles.h"
#include "model/TextUtil.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace orvane {

void PlayerController::addPlaylist(std::optional<std::string> name) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    // The number is not checked for uniqueness: it only suggests an order.
    std::string title =
        name ? std::move(*name) : "Playlist " + std::to_string(playlists.get().size() + 1);
    const Uuid id = Uuid::random();
    updatePlaylists(
        [&](std::vector<Playlist>& lists) { lists.emplace_back(id, std::move(title)); });
    activePlaylistID = id;
    selection = std::set<Uuid>{};
    scheduleSave();
}

void PlayerController::renamePlaylist(Uuid playlistID, const std::string& name) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const auto pi = playlistIndex(playlistID);
    const std::string_view trimmed = trimBlanksAndTabs(name);
    if (!pi || trimmed.empty())
        return;
    updatePlaylists([&](std::vector<Playlist>& lists) { lists[*pi].name = std::string(trimmed); });
    scheduleSave();
}

void PlayerController::closePlaylist(Uuid playlistID) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (!playlistIndex(playlistID))
        return;
    if (playingPlaylistID.get() == playlistID)
        stop();
    // Views observing stop()'s changes have run meanwhile: look the playlist up again.
    const auto pi = playlistIndex(playlistID);
    if (!pi)
        return;
    updatePlaylists([&](std::vector<Playlist>& lists) {
        lists.erase(lists.begin() + static_cast<std::ptrdiff_t>(*pi));
        if (lists.empty())
            lists.emplace_back(Uuid::random(), "Playlist 1");
    });
    // The first tab, wherever the closed one was.
    if (activePlaylistID.get() == playlistID || !activePlaylist())
        activePlaylistID = playlists.get().front().id;
    selection = std::set<Uuid>{};
    scheduleSave();
}

void PlayerController::selectPlaylist(Uuid playlistID) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (!playlistIndex(playlistID))
        return;
    activePlaylistID = playlistID;
    selection = std::set<Uuid>{};
    scheduleSave();
}

void PlayerController::addFiles(const std::vector<std::string>& items) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    addFileTracks(items, std::nullopt);
}

void PlayerController::openFiles(const std::vector<std::string>& items) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const std::vector<std::string> files = collectAudioFiles(items);
    if (files.empty())
        return;
    addFileTracks(files, std::nullopt);
    const Playlist* active = activePlaylist();
    if (active == nullptr)
        return;
    const auto first = std::find_if(active->tracks.begin(), active->tracks.end(),
                                    [&](const Track& t) { return t.path == files.front(); });
    if (first != active->tracks.end())
        play(first->id);
}

void PlayerController::insertFiles(const std::vector<std::string>& items, std::ptrdiff_t index) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    addFileTracks(items, index);
}

void PlayerController::addFileTracks(const std::vector<std::string>& items,
                                     std::optional<std::ptrdiff_t> at) {
    const std::vector<std::string> files = collectAudioFiles(items);
    const auto pi = playlistIndex(activePlaylistID.get());
    if (!pi || files.empty())
        return;
    const Uuid playlistID = playlists.get()[*pi].id;

    // A file is in a playlist at most once (it may be in several playlists).
    std::unordered_set<std::string_view> present;
    const auto& existing = playlists.get()[*pi].tracks;
    present.reserve(existing.size());
    for (const auto& track : existing)
        present.insert(track.path);
    std::vector<Track> added;
    added.reserve(files.size());
    for (const auto& file : files)
        if (present.count(file) == 0)
            added.push_back(Track::fromPath(file));
    if (added.empty())
        return; // nothing changed, nothing to save
    std::vector<Uuid> ids;
    ids.reserve(added.size());
    for (const auto& track : added)
        ids.push_back(track.id);

    const auto count = static_cast<std::ptrdiff_t>(playlists.get()[*pi].tracks.size());
    const auto where = at ? std::clamp<std::ptrdiff_t>(*at, 0, count) : count;
    // Where next goes after a removed playing track keeps pointing at the same track;
    // a block dropped right into its gap comes first.
    if (const auto orphan = liveOrphanIndex(*pi);
        orphan && static_cast<std::size_t>(where) < *orphan)
        *orphanNextIndex_ += added.size();
    updatePlaylists([&](std::vector<Playlist>& lists) {
        auto& tracks = lists[*pi].tracks;
        tracks.insert(tracks.begin() + where, std::make_move_iterator(added.begin()),
                      std::make_move_iterator(added.end()));
    });
    // With shuffle off the order lies unused; switching it on makes a new one.
    if (settings.get().shuffle)
        shuffle_.insert(ids, playlistID);
    scheduleSave();
    loadMissingMetadata(); // durations, tags and technical data follow in the background
}

} // namespace orvane
