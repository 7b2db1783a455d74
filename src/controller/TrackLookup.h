#pragma once

#include "model/Track.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace orvane {

// Index of the first track with this id; none for none or no match.
inline std::optional<std::size_t> trackIndex(const std::vector<Track>& tracks,
                                             const std::optional<Uuid>& id) {
    if (!id)
        return std::nullopt;
    for (std::size_t i = 0; i < tracks.size(); ++i)
        if (tracks[i].id == *id)
            return i;
    return std::nullopt;
}

// The track with this id, looked for first at `hint` (where it was when last seen) and
// then everywhere; none when it is gone. Matching is by id alone.
inline Track* findTrackNear(std::vector<Track>& tracks, const Uuid& id, std::size_t hint) {
    if (hint < tracks.size() && tracks[hint].id == id)
        return &tracks[hint];
    for (auto& track : tracks)
        if (track.id == id)
            return &track;
    return nullptr;
}

inline bool containsTrack(const std::vector<Track>& tracks, const std::optional<Uuid>& id) {
    return trackIndex(tracks, id).has_value();
}

} // namespace orvane
