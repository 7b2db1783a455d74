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

} // namespace orvane
