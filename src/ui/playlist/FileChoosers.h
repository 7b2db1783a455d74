#pragma once

#include "model/M3U8.h"
#include "model/Playlist.h"

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace orvane {

// The file dialogs of the main window. Each is modal and returns nothing when the user
// cancels. GUI thread only.

// "Add music": files and folders, several at once. Returns the chosen paths.
std::vector<std::string> chooseMusicToAdd(QWidget* parent);

// "Load Playlist": one .m3u8 or .m3u file, read at once. Nothing when cancelled or
// when the file cannot be read as UTF-8.
std::optional<M3U8Import> choosePlaylistToLoad(QWidget* parent);

// "Save Playlist": proposes the playlist's name with the .m3u8 extension, then writes
// the file, with that extension. A write error is shown in a message box.
void savePlaylistWithChooser(QWidget* parent, const Playlist& playlist);

} // namespace orvane
