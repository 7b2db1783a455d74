#pragma once

#include "model/Uuid.h"

#include <cstddef>
#include <optional>
#include <vector>

#include <QString>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QScrollArea;

namespace orvane {

class IconButton;

// What a tab shows of its playlist.
struct PlaylistTabInfo {
    Uuid id;
    QString name;
    std::size_t trackCount = 0;
};

// One playlist tab: a play mark on the playing playlist's tab, the name (or a rename
// field), and a close cross. GUI thread only.
class PlaylistTab : public QWidget {
    Q_OBJECT
public:
    PlaylistTab(const PlaylistTabInfo& info, bool active, bool playing, QWidget* parent = nullptr);

    const Uuid& playlistID() const { return info_.id; }
    bool isActive() const { return active_; }
    bool isPlaying() const { return playing_; }
    bool isRenaming() const;
    QString name() const { return info_.name; }
    IconButton& closeButton() { return *close_; }
    QLineEdit* renameField() { return renameField_; }

    // Replaces the name by a field holding it, focused with the text selected.
    void startRenaming();

signals:
    void activated();
    void renameRequested();
    void renameCommitted(const QString& name);
    void closeClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    PlaylistTabInfo info_;
    bool active_;
    bool playing_;
    QLabel* nameLabel_;
    QLineEdit* renameField_ = nullptr;
    IconButton* close_;
};

// The row of playlist tabs with the new-playlist button. It reports what the user asks
// for; closing a playlist that has tracks is reported as a request to confirm.
// GUI thread only.
class TabsBar : public QWidget {
    Q_OBJECT
public:
    explicit TabsBar(QWidget* parent = nullptr);

    // Rebuilds the tabs. A rename under way survives when its playlist is still there.
    void setTabs(const std::vector<PlaylistTabInfo>& tabs, const std::optional<Uuid>& activeID,
                 const std::optional<Uuid>& playingID);
    std::vector<PlaylistTab*> tabs() const;
    PlaylistTab* tab(const Uuid& playlistID) const;
    IconButton& newPlaylistButton() { return *newPlaylist_; }
    std::optional<Uuid> renamingID() const { return renamingID_; }

signals:
    void tabActivated(orvane::Uuid playlistID);
    void renameCommitted(orvane::Uuid playlistID, const QString& name);
    // An empty playlist closes at once.
    void closeRequested(orvane::Uuid playlistID);
    // A playlist with tracks asks first (see closePlaylistConfirmation()).
    void closeConfirmationRequested(orvane::Uuid playlistID);
    void newPlaylistRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startRenaming(PlaylistTab* target);

    QScrollArea* scroll_;
    QWidget* strip_;
    QHBoxLayout* stripLayout_;
    IconButton* newPlaylist_;
    std::optional<Uuid> renamingID_;
};

} // namespace orvane
