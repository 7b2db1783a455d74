#include "ui/playlist/PlaylistTexts.h"

namespace orvane {

QString closePlaylistConfirmation(const QString& playlistName) {
    return QStringLiteral("Close playlist \"") + playlistName +
           QStringLiteral("\" \u2014 this can't be undone?");
}

QString clearPlaylistConfirmation(const QString& playlistName, std::size_t trackCount) {
    return QStringLiteral("Clear playlist \"") + playlistName +
           QStringLiteral("\" \u2014 remove all ") + QString::number(trackCount) +
           QStringLiteral(" tracks?");
}

QString emptyPlaylistText() {
    return QStringLiteral("Playlist is empty.\nAdd files, a folder, or just drag music here.");
}

} // namespace orvane
