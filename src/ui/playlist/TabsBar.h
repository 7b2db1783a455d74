#pragma once

#include "model/Uuid.h"
#include "ui/playlist/PlaylistTab.h"

#include <optional>
#include <vector>

#include <QString>
#include <QWidget>

class QHBoxLayout;
class QScrollArea;

namespace orvane {

class IconButton;

// The row of playlist tabs with the new-playlist button. It reports what the user asks
// for; closing a playlist that has tracks is reported as a request to confirm.
// GUI thread only.
class TabsBar : public QWidget {
    Q_OBJECT
public:
    explicit TabsBar(QWidget* parent = nullptr);

    // Shows these tabs in this order. A rename under way survives when its playlist is
    // still there, with what has been typed so far.
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
    PlaylistTab* makeTab(const PlaylistTabInfo& info, bool active, bool playing);
    void startRenaming(PlaylistTab* target);

    QScrollArea* scroll_;
    QWidget* strip_;
    QHBoxLayout* stripLayout_;
    IconButton* newPlaylist_;
    std::optional<Uuid> renamingID_;
};

} // namespace orvane
