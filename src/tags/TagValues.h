#pragma once

#include <optional>
#include <string>

namespace orvane {

// The values the tag editor saves into a file, whatever its format. An empty text, or a
// missing number, stores nothing: the file then has no such field.
struct TagValues {
    std::string title;
    std::string artist;
    std::string album;
    std::string albumArtist;
    std::string genre;
    std::string year;
    std::optional<int> trackNumber; // stored with trackTotal, as "5/12" where one field holds both
    std::optional<int> trackTotal;  // stored only with a track number
    std::optional<int> discNumber;
    std::optional<int> discTotal;
    std::string composer;
    std::string comment;

    friend bool operator==(const TagValues&, const TagValues&) = default;
};

} // namespace orvane
