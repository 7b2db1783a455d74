#pragma once

#include "tags/TagWriteError.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

namespace orvane {

// The new content of a file from its old content; throws TagWriteError when it cannot.
using TagFileEdit =
    std::function<std::vector<std::uint8_t>(std::span<const std::uint8_t> oldContent)>;

// Replaces the file at `path` (through a symbolic link, the file it names; the link
// stays) by what `edit` makes of its content. The new content goes to a hidden
// temporary file in the same folder, is flushed to the disk and then renamed over the
// file, so the file is always either the old one or the complete new one; its
// permissions are kept. On any failure the file is as it was and no temporary file is
// left. Throws TagWriteError (readFailed, writeFailed, replaceFailed, or what `edit`
// throws). Blocks on file input and output; any thread.
void rewriteTagFile(const std::filesystem::path& path, const TagFileEdit& edit);

} // namespace orvane
