#pragma once

#include "runtime/Observable.h"

#include <vector>

#include <QObject>

class QAction;
class QMenuBar;

namespace orvane {

class PlayerController;

// The main window's menu bar: File, Playback, Edit, View and Help, with the shortcuts
// Orvane users know (Ctrl where other desktops use Command). The items whose title or
// state follows the player (Play/Pause, Undo Remove Tracks, Show/Hide Playlist) change
// with it. Requests that need the window are reported as signals. GUI thread only.
class MainMenus : public QObject {
    Q_OBJECT
public:
    static constexpr const char* helpAddress = "mailto:support@orvane.app?subject=Orvane%20Support";
    static constexpr const char* websiteAddress = "https://orvane.app";

    MainMenus(PlayerController& player, QMenuBar& menuBar);

    QAction& playPauseAction() { return *playPause_; }
    QAction& undoRemoveAction() { return *undoRemove_; }
    QAction& playlistAction() { return *playlist_; }
    QAction& fullScreenAction() { return *fullScreen_; }

signals:
    void addFilesRequested();
    void loadPlaylistRequested();
    void savePlaylistRequested();
    void settingsRequested();
    void playlistToggleRequested();
    void fullScreenToggleRequested();
    void aboutRequested();
    void quitRequested();

private:
    void buildFileMenu(QMenuBar& bar);
    void buildPlaybackMenu(QMenuBar& bar);
    void buildEditMenu(QMenuBar& bar);
    void buildViewMenu(QMenuBar& bar);
    void buildHelpMenu(QMenuBar& bar);
    void refreshTitles();

    PlayerController& player_;
    QAction* playPause_ = nullptr;
    QAction* undoRemove_ = nullptr;
    QAction* playlist_ = nullptr;
    QAction* fullScreen_ = nullptr;
    std::vector<Subscription> subscriptions_;
};

} // namespace orvane
