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

QString proposedPlaylistFileName(const QString& playlistName) {
    QString name = playlistName;
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return name + QStringLiteral(".m3u8");
}

QString playlistSavePath(const QString& chosenPath) {
    if (chosenPath.endsWith(QStringLiteral(".m3u8"), Qt::CaseInsensitive))
        return chosenPath;
    return chosenPath + QStringLiteral(".m3u8");
}

} // namespace orvane
