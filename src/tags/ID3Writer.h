#pragma once

#include "tags/TagWriteError.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvane {

// Writes tags into MP3 files as an ID3v2.3 tag in front of the audio data.
class ID3Writer {
public:
    // The values to write. An empty text, or a missing number, writes no frame.
    struct Tags {
        std::string title;              // TIT2
        std::string artist;             // TPE1
        std::string album;              // TALB
        std::string albumArtist;        // TPE2
        std::string genre;              // TCON
        std::string year;               // TYER
        std::optional<int> trackNumber; // TRCK, with trackTotal as "5/12"
        std::optional<int> trackTotal;
        std::optional<int> discNumber; // TPOS, with discTotal
        std::optional<int> discTotal;
        std::string composer; // TCOM
        std::string comment;  // COMM, language "eng", no description

        friend bool operator==(const Tags&, const Tags&) = default;
    };

    ID3Writer() = delete;

    // Replaces the ID3v2 tag at the start of the MP3 file at `path` (or adds one) by a
    // tag holding `tags`. Frames of an old v2.3 or v2.4 tag that carry something these
    // values do not (pictures, lyrics, user texts, described comments, ...) are kept
    // after the new frames; a v2.2 or damaged old tag is replaced whole. Everything
    // after the old tag, a trailing ID3v1 tag included, is kept as it is.
    //
    // The new content goes to a hidden temporary file in the same folder, is flushed to
    // the disk and then renamed over the file, so the file is always either the old one
    // or the complete new one. The file's permissions are kept.
    //
    // Throws TagWriteError. Blocks on file input and output; any thread.
    static void writeTags(const std::filesystem::path& path, const Tags& tags);

    // The new file content for an old file content `file`: new tag, kept frames, then
    // everything from the old audio start on. Throws TagWriteError (tagTooLarge).
    static std::vector<std::uint8_t> rewrite(std::span<const std::uint8_t> file, const Tags& tags);
};

} // namespace orvane
