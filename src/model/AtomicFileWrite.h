#pragma once

#include <string>
#include <string_view>

namespace orvane {

// Replaces the file at `path` with `contents` so that readers see either the old file
// or the complete new one, never a part: the text goes to a temporary file in the same
// folder, is flushed to the disk and then renamed over `path`. On failure the temporary
// file is removed, `path` is left as it was, and the result is false.
//
// Safe from any thread; concurrent writers to one path end with one complete version.
bool writeFileAtomically(const std::string& path, std::string_view contents);

} // namespace orvane
