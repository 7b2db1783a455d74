#pragma once

#include "tags/TagValues.h"
#include "tags/TagWriteError.h"

#include <filesystem>

namespace orvane {

// Saves the tag editor's values into an audio file of a kind Orvane can write: MP3
// (ID3Writer), FLAC, Ogg Vorbis, Opus, M4A and M4B (ContainerTagWriter). The kind is
// chosen by the file's extension and never by its content: a tag written in the wrong
// layout can ruin a file.
class TagWriter {
public:
    TagWriter() = delete;

    // Replaces the file's values by `tags` as rewriteTagFile does: the file is either the
    // old one or the complete new one, with its permissions. Throws TagWriteError;
    // unsupportedFormat, with a message that names what can be written, for any other
    // kind of file. Blocks on file input and output; any thread.
    static void writeTags(const std::filesystem::path& path, const TagValues& tags);
};

} // namespace orvane
