#pragma once

#include "model/AppSettings.h"
#include "model/Playlist.h"

#include <optional>
#include <vector>

namespace orvane {

// Where playback stands, for the next start: the resume fields of the state, also kept
// on their own in a small file beside it so that noting the position every few seconds
// never rewrites the whole library.
struct ResumePoint {
    std::optional<Uuid> playlistID;
    std::optional<Uuid> trackID;
    std::optional<double> position; // seconds

    friend bool operator==(const ResumePoint&, const ResumePoint&) = default;
};

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

    ResumePoint resumePoint() const { return {resumePlaylistID, resumeTrackID, resumePosition}; }
    void setResumePoint(const ResumePoint& point) {
        resumePlaylistID = point.playlistID;
        resumeTrackID = point.trackID;
        resumePosition = point.position;
    }

    friend bool operator==(const PersistedState&, const PersistedState&) = default;
};

} // namespace orvane
