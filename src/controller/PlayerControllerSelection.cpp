#include "controller/PlayerController.h"
#include "controller/TrackLookup.h"
#include "model/TextUtil.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace orvane {

namespace {

// Lower case for matching, by Unicode's rules (root locale); ASCII without ICU.
std::string lowerCased(std::string_view text) {
    if (std::all_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        std::string lower(text);
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return lower;
    }
    std::string lower;
    icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(),
                         static_cast<std::int32_t>(std::min<std::size_t>(text.size(), INT32_MAX))))
        .toLower(icu::Locale::getRoot())
        .toUTF8String(lower);
    return lower;
}

bool contains(std::string_view text, std::string_view loweredQuery) {
    return lowerCased(text).find(loweredQuery) != std::string::npos;
}

} // namespace

void PlayerController::handleTrackClick(Uuid trackID, bool shift, bool cmd) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const Playlist* active = activePlaylist();
    if (!active)
        return;
    std::set<Uuid> chosen = selection.get();
    const auto anchor = shift && !cmd ? trackIndex(active->tracks, lastClickedTrackID_)
                                      : std::optional<std::size_t>();
    const auto clicked = anchor ? trackIndex(active->tracks, trackID) : std::nullopt;
    if (cmd) {
        // Ctrl wins over shift: the track joins or leaves the selection.
        if (chosen.erase(trackID) == 0)
            chosen.insert(trackID);
    } else if (anchor && clicked) {
        // The range in the playlist's own order, whatever the search shows.
        chosen.clear();
        const auto [lo, hi] = std::minmax(*anchor, *clicked);
        for (std::size_t i = lo; i <= hi; ++i)
            chosen.insert(active->tracks[i].id);
    } else {
        chosen = {trackID};
    }
    selection = std::move(chosen);
    lastClickedTrackID_ = trackID;
    // Undo is offered until the next click; its entries stay for the next removal.
    removalUndoAvailable = false;
}

void PlayerController::selectAll() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    std::set<Uuid> all;
    if (const Playlist* active = activePlaylist())
        for (const auto index : visibleTrackIndices())
            all.insert(active->tracks[index].id);
    selection = std::move(all);
}

std::vector<Track> PlayerController::visibleTracks() const {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const Playlist* active = activePlaylist();
    if (!active)
        return {};
    std::vector<Track> shown;
    const auto indices = visibleTrackIndices();
    shown.reserve(indices.size());
    for (const auto index : indices)
        shown.push_back(active->tracks[index]);
    return shown;
}

std::vector<std::size_t> PlayerController::visibleTrackIndices() const {
    const Playlist* active = activePlaylist();
    if (!active)
        return {};
    const std::string query = lowerCased(trimBlanksAndTabs(searchText.get()));
    std::vector<std::size_t> indices;
    for (std::size_t i = 0; i < active->tracks.size(); ++i) {
        const Track& track = active->tracks[i];
        if (query.empty() || contains(track.title, query) || contains(track.artist, query) ||
            (track.album && contains(*track.album, query)))
            indices.push_back(i);
    }
    return indices;
}

} // namespace orvane
