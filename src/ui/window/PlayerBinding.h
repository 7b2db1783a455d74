#pragma once

#include "model/Uuid.h"
#include "runtime/Observable.h"

#include <cstdint>
#include <optional>
#include <vector>

#include <QObject>
#include <QPointer>

namespace orvane {

class ContentView;
class PlayerController;
class TrackListView;
struct Track;

// Keeps the main window's content in step with the player controller. It shows the
// controller's and the engine's published values in the views and turns the views'
// requests into controller operations, asking first where a request destroys
// something (closing a playlist with tracks, clearing one).
//
// The track list reads the active playlist in place; its model is re-pointed inside
// the change notification itself, so it never holds a list the controller has
// replaced. Everything else is refreshed once per event-loop turn however many values
// changed in it. Subscriptions end with the binding. GUI thread only.
class PlayerBinding : public QObject {
    Q_OBJECT
public:
    // `dialogParent` parents the confirmations and file dialogs.
    PlayerBinding(PlayerController& player, ContentView& content, QWidget* dialogParent);
    ~PlayerBinding() override;

    // The requests that the menus share with the views.
    void addFilesWithChooser();
    void loadPlaylistWithChooser();
    void saveActivePlaylistWithChooser();
    void clearActivePlaylistAfterConfirming();

    // Runs the pending refresh now (tests, and the first paint).
    void refreshNow();

signals:
    void playlistToggleRequested();
    void settingsRequested();
    void modePanelRequested();
    void equalizerPanelRequested();
    void editTagsRequested(orvane::Uuid trackID);

private:
    enum Part : unsigned {
        tabsPart = 1u << 0,
        statusPart = 1u << 1,
        nowPlayingPart = 1u << 2,
        settingsPart = 1u << 3,
        undoPart = 1u << 4,
        scanPart = 1u << 5,
    };
    void subscribe();
    void connectPanel();
    void connectPlaylistArea();
    void markDirty(unsigned parts);
    void refresh();
    // Points the track list at the active playlist (or its search results).
    void showActiveTracks();
    void showPlayingInList(bool scrollToIt);
    void onPlayingTrackChanged();
    void closeAfterConfirming(Uuid playlistID);
    void removeFromMenu(Uuid trackID);

    PlayerController& player_;
    ContentView& content_;
    QWidget* dialogParent_;
    QPointer<TrackListView> list_;
    std::vector<Subscription> subscriptions_;
    unsigned dirty_ = 0;
    bool refreshQueued_ = false;
    std::uint64_t tracksRevision_ = 0;
    // The search results the list shows while a search text is entered.
    std::vector<Track> searchResults_;
};

} // namespace orvane
