#pragma once

#include "model/Uuid.h"

#include <cstddef>

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;

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

    // Shows the playlist as it now is. A rename under way keeps its field and its text.
    void setState(const PlaylistTabInfo& info, bool active, bool playing);

    const Uuid& playlistID() const { return info_.id; }
    std::size_t trackCount() const { return info_.trackCount; }
    bool isActive() const { return active_; }
    bool isPlaying() const { return playing_; }
    bool isRenaming() const;
    QString name() const { return info_.name; }
    IconButton& closeButton() { return *close_; }
    QLineEdit* renameField() { return renameField_; }

    // Replaces the name by a field holding it, focused with the text selected. Return or
    // leaving the field commits the name; Escape puts the name back.
    void startRenaming();

signals:
    void activated();
    void renameRequested();
    void renameCommitted(const QString& name);
    void renameCancelled();
    void closeClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void endRenaming();

    PlaylistTabInfo info_;
    bool active_;
    bool playing_;
    QWidget* playMark_;
    QLabel* nameLabel_;
    QLineEdit* renameField_ = nullptr;
    IconButton* close_;
};

} // namespace orvane
