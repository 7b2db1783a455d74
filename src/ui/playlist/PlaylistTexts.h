#pragma once

#include <cstddef>

#include <QString>

namespace orvane {

// Texts of the playlist area that depend on values. Pure.

// Asked before a playlist with tracks is closed.
QString closePlaylistConfirmation(const QString& playlistName);
// Asked before the active playlist is cleared.
QString clearPlaylistConfirmation(const QString& playlistName, std::size_t trackCount);
// Shown in place of an empty track list.
QString emptyPlaylistText();

// The file name "Save Playlist" proposes for a playlist: its name with ".m3u8", a "/"
// (which would name a folder) replaced by "-".
QString proposedPlaylistFileName(const QString& playlistName);
// The path a playlist is written to for a path the user chose: ".m3u8" is added unless
// the name already ends in it, so that "Mix v1.2" does not become a "2" file that the
// Load dialog hides.
QString playlistSavePath(const QString& chosenPath);

} // namespace orvane
