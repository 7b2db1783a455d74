#pragma once

#include <QList>
#include <QUrl>
#include <QWidget>

class QVBoxLayout;

namespace orvane {

class PlayerPanel;
class PlaylistToolbar;
class StatusBar;
class TabsBar;
class TrackListView;

// Everything inside the main window: the player panel on top and, while the playlist is
// shown, the tabs, the toolbar, the track list and the status bar below it. GUI thread
// only.
class ContentView : public QWidget {
    Q_OBJECT
public:
    // The narrowest the window gets, and its lowest while the playlist is shown.
    static constexpr int minimumWidth = 660;
    static constexpr int minimumHeightWithPlaylist = 480;

    explicit ContentView(QWidget* parent = nullptr);

    void setPlaylistVisible(bool visible);
    bool isPlaylistVisible() const;

    PlayerPanel& playerPanel() { return *panel_; }
    TabsBar& tabsBar() { return *tabs_; }
    PlaylistToolbar& toolbar() { return *toolbar_; }
    TrackListView& trackList() { return *list_; }
    StatusBar& statusBar() { return *status_; }

signals:
    // Files dropped anywhere on the window while the playlist is hidden (while it is
    // shown, the track list takes drops itself).
    void filesDropped(const QList<QUrl>& urls);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    PlayerPanel* panel_;
    QWidget* playlistArea_;
    TabsBar* tabs_;
    PlaylistToolbar* toolbar_;
    TrackListView* list_;
    StatusBar* status_;
};

} // namespace orvane
