#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// The file types Orvane plays, as lower-case extensions without the dot. The file
// choosers' name filter is built from this list too.
inline constexpr std::array<std::string_view, 18> audioExtensions{
    "mp3", "m4a", "aac",  "flac", "wav", "aiff", "aif", "caf", "m4b",
    "ogg", "oga", "opus", "wv",   "ape", "mpc",  "tta", "wma", "mka"};

// The last component of a path text (everything after the last slash).
std::string_view fileNameOf(std::string_view path);

// Position of the dot that starts the extension of a file name, or npos when it has none.
// A name's leading dot marks a hidden file, not an extension: ".mp3" has no extension.
std::size_t extensionDot(std::string_view fileName);

// True when the file name of `path` has one of `audioExtensions`, in any letter case.
bool isAudioFile(std::string_view path);

// Turns files and folders picked by the user into the audio files to add: folders
// (symbolic links to folders included) are walked recursively, skipping hidden entries
// and the insides of hidden folders and not following symbolic links met on the way;
// files given directly are taken by extension even when hidden. Items that do not exist
// or are not audio are dropped silently. The result holds absolute path texts without
// duplicates, sorted by path: case-insensitive, digit runs by value ("Track 2" before
// "Track 10"), equal paths keeping their order.
//
// Reads the file system synchronously on the caller's thread; safe from any thread.
std::vector<std::string> collectAudioFiles(const std::vector<std::string>& items);

// Sorts path texts in place by the order described above. Exposed for tests and
// benchmarks; collectAudioFiles uses it.
void sortPathsNaturally(std::vector<std::string>& paths);

} // namespace orvane
