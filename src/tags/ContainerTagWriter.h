#pragma once

#include "tags/TagValues.h"
#include "tags/TagWriteError.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace orvane {

// Writes the tag editor's values into the tags of FLAC files (their Vorbis comment
// block), Ogg Vorbis and Opus files (their comment packet) and MP4 audio (the atoms of
// the item list), through the tag library, in memory. Only the fields the editor edits
// change, together with the other names a reader may take for them (YEAR beside DATE,
// DESCRIPTION beside COMMENT, a numeric MP4 genre); every other field, picture and
// metadata block stays. Pure: safe from any thread.
class ContainerTagWriter {
public:
    enum class Format { flac, oggVorbis, opus, mp4 };

    ContainerTagWriter() = delete;

    // The new content for the old content `file` of the given format. Throws
    // TagWriteError: readFailed when `file` is not of that format, writeFailed when the
    // tag library cannot store the tags.
    static std::vector<std::uint8_t> rewrite(std::span<const std::uint8_t> file, Format format,
                                             const TagValues& tags);
};

} // namespace orvane
