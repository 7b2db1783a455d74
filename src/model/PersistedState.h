#pragma once

#include "model/AppSettings.h"
#include "model/Playlist.h"

#include <optional>
#include <vector>

namespace orvane {

// Everything Orvane keeps between runs.
struct PersistedState {
    std::vector<Playlist> playlists; // in tab order
    std::optional<Uuid> activePlaylistID;
    AppSettings settings;
    std::optional<Uuid> resumePlaylistID;
    std::optional<Uuid> resumeTrackID;
    std::optional<double> resumePosition; // seconds

    // One empty playlist named "Playlist 1", active; default settings; no resume point.
    static PersistedState fresh();

    friend bool operator==(const PersistedState&, const PersistedState&) = default;
};

} // namespace orvane
