#pragma once

#include "model/OptionalDouble.h"
#include "model/OptionalText.h"
#include "model/Uuid.h"

#include <optional>
#include <string>
#include <utility>

namespace orvane {

// One entry of a playlist: a file and everything learnt about it. Identity is `id`;
// equality compares every field.
//
// A library may hold hundreds of thousands of tracks, all in memory, so the optional
// texts and numbers take the compact forms (OptionalText, OptionalDouble), which read
// and assign as std::optional does: 256 bytes a track instead of 488.
struct Track {
    Uuid id;
    std::string path; // absolute file-system path
    std::string artist;
    std::string title;
    OptionalDouble duration; // seconds
    OptionalText album;
    OptionalText albumArtist;
    OptionalText genre;
    OptionalText year;
    std::optional<int> trackNumber;
    std::optional<int> trackTotal;
    std::optional<int> discNumber;
    std::optional<int> discTotal;
    OptionalText composer;
    OptionalText comment;
    std::optional<int> bitrateKbps;
    std::optional<int> sampleRateHz;
    std::optional<int> bpm;
    OptionalDouble peakLinear;
    OptionalDouble rmsLinear;
    OptionalDouble trimStart; // seconds
    OptionalDouble trimEnd;   // seconds

    Track() = default;
    Track(Uuid newID, std::string filePath, std::string artistText, std::string titleText)
        : id(newID), path(std::move(filePath)), artist(std::move(artistText)),
          title(std::move(titleText)) {}

    // A new entry for `path` with a fresh id and the artist and title its name gives.
    static Track fromPath(std::string path);

    // The provisional artist and title taken from a file name (leading track number
    // removed, split at the first " - ").
    static std::pair<std::string, std::string> parse(const std::string& path);

    friend bool operator==(const Track&, const Track&) = default;
};

} // namespace orvane
