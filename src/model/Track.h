#pragma once

#include "model/Uuid.h"

#include <optional>
#include <string>
#include <utility>

namespace orvane {

// One entry of a playlist: a file and everything learnt about it. Identity is `id`;
// equality compares every field.
struct Track {
    Uuid id;
    std::string path; // absolute file-system path
    std::string artist;
    std::string title;
    std::optional<double> duration; // seconds
    std::optional<std::string> album;
    std::optional<std::string> albumArtist;
    std::optional<std::string> genre;
    std::optional<std::string> year;
    std::optional<int> trackNumber;
    std::optional<int> trackTotal;
    std::optional<int> discNumber;
    std::optional<int> discTotal;
    std::optional<std::string> composer;
    std::optional<std::string> comment;
    std::optional<int> bitrateKbps;
    std::optional<int> sampleRateHz;
    std::optional<int> bpm;
    std::optional<double> peakLinear;
    std::optional<double> rmsLinear;
    std::optional<double> trimStart; // seconds
    std::optional<double> trimEnd;   // seconds

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
