#pragma once

#include "tags/TagValues.h"
#include "tags/TagWriteError.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvane {

// Writes tags into MP3 files as an ID3v2.3 tag in front of the audio data. TagWriter
// chooses it for MP3 files.
class ID3Writer {
public:
    // The frames: TIT2, TPE1, TALB, TPE2, TCON, TYER, TRCK ("5/12"), TPOS, TCOM, and a
    // COMM in language "eng" without description. An empty text, or a missing number,
    // writes no frame.
    using Tags = TagValues;

    ID3Writer() = delete;

    // Replaces the ID3v2 tag at the start of the MP3 file at `path` (or adds one) by a
    // tag holding `tags`. Frames of an old v2.3 or v2.4 tag that carry something these
    // values do not (pictures, lyrics, user texts, described comments, ...) are kept
    // after the new frames; a v2.2 or damaged old tag is replaced whole. Everything
    // after the old tag, a trailing ID3v1 tag included, is kept as it is.
    //
    // The file is replaced as rewriteTagFile does: never left half written.
    //
    // Throws TagWriteError. Blocks on file input and output; any thread.
    static void writeTags(const std::filesystem::path& path, const Tags& tags);

    // The new file content for an old file content `file`: new tag, kept frames, then
    // everything from the old audio start on. Throws TagWriteError (tagTooLarge).
    static std::vector<std::uint8_t> rewrite(std::span<const std::uint8_t> file, const Tags& tags);
};

} // namespace orvane
