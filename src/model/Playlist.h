#pragma once

#include "model/Track.h"
#include "model/Uuid.h"

#include <string>
#include <utility>
#include <vector>

namespace orvane {

// A named, ordered list of tracks. Equality compares every field, tracks included.
struct Playlist {
    Uuid id;
    std::string name;
    std::vector<Track> tracks;

    Playlist() = default;
    Playlist(Uuid newID, std::string nameText, std::vector<Track> entries = {})
        : id(newID), name(std::move(nameText)), tracks(std::move(entries)) {}

    friend bool operator==(const Playlist&, const Playlist&) = default;
};

} // namespace orvane
