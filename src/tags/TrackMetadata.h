#pragma once

#include <optional>
#include <string>

namespace orvane {

// What the metadata reader learnt about one audio file. Every field is optional: a
// field the file does not provide, or that cannot be read, stays without value.
struct TrackMetadata {
    std::optional<double> duration; // seconds
    std::optional<std::string> artist;
    std::optional<std::string> title;
    std::optional<std::string> album;
    std::optional<std::string> albumArtist;
    std::optional<std::string> genre;
    std::optional<std::string> year; // as stored: a year or a full date
    std::optional<int> trackNumber;
    std::optional<int> trackTotal;
    std::optional<int> discNumber;
    std::optional<int> discTotal;
    std::optional<std::string> composer;
    std::optional<std::string> comment;
    std::optional<int> bitrateKbps;
    std::optional<int> sampleRateHz;

    friend bool operator==(const TrackMetadata&, const TrackMetadata&) = default;
};

} // namespace orvane
