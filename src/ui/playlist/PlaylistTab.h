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

} // namespace orvane
