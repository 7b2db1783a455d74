#pragma once

#include "model/Playlist.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Extended M3U playlists in UTF-8. The file dialogs belong to the window layer; these
// functions only turn playlists into text and files into playlist entries. All are
// safe from any thread.

// What a playlist file names: the playlist's name (the file name without extension)
// and the audio file locations in file order.
struct M3U8Import {
    std::string name;
    std::vector<std::string> paths;

    friend bool operator==(const M3U8Import&, const M3U8Import&) = default;
};

// "#EXTM3U", then per track an "#EXTINF:<whole seconds or -1>,<artist - title>" line and
// the track's path, each line ending in a line feed. Texts that would break the line
// structure are made safe: line breaks in a display name become blanks, bytes that are
// not UTF-8 become U+FFFD, and a path holding either (or blanks at its end) is written
// as a percent-encoded file URL, which reads back as the same path.
std::string m3u8Text(const Playlist& playlist);

// Reads the entries of a playlist file's bytes without looking at the file system:
// every entry line becomes a location, absolute ones as given, "file://" URLs decoded,
// anything else relative to the folder of `playlistFilePath`. Nothing when the bytes
// are not UTF-8.
std::optional<M3U8Import> parseM3U8(std::string_view bytes, const std::string& playlistFilePath);

// Reads and parses the playlist file at `path` and keeps the entries that name an
// existing audio file. Nothing when the file cannot be read or is not UTF-8.
std::optional<M3U8Import> importM3U8File(const std::string& path);

// Writes m3u8Text(playlist) to `path` atomically. False when the file could not be
// written; `path` is then unchanged.
bool writeM3U8File(const Playlist& playlist, const std::string& path);

} // namespace orvane
