#include "ui/window/PlayerBinding.h"

#include "controller/PlayerController.h"
#include "platform/FileManager.h"
#include "ui/player/PlayerPanel.h"
#include "ui/playlist/FileChoosers.h"
#include "ui/playlist/PlaylistGeometry.h"
#include "ui/playlist/PlaylistTexts.h"
#include "ui/playlist/PlaylistToolbar.h"
#include "ui/playlist/StatusBar.h"
#include "ui/playlist/TabsBar.h"
#include "ui/playlist/TrackListModel.h"
#include "ui/playlist/TrackListView.h"
#include "ui/window/ConfirmDialog.h"
#include "ui/window/ContentView.h"

#include <QFile>
#include <QMetaObject>
#include <QUrl>

namespace orvane {

namespace {

std::vector<std::string> localPaths(const QList<QUrl>& urls) {
    std::vector<std::string> paths;
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
    return paths;
}

bool isSearching(const PlayerController& player) {
    return !QString::fromStdString(player.searchText.get()).trimmed().isEmpty();
}

} // namespace

PlayerBinding::PlayerBinding(PlayerController& player, ContentView& content, QWidget* dialogParent)
    : QObject(&content), player_(player), content_(content), dialogParent_(dialogParent),
      list_(&content.trackList()) {
    connectPanel();
    connectPlaylistArea();
    subscribe();
    showActiveTracks();
    content_.trackList().trackModel().setSelection(&player_.selection.get());
    showPlayingInList(false);
    markDirty(~0u);
    refreshNow();
}

PlayerBinding::~PlayerBinding() {
    // The model reads the controller's lists in place: let go before they may go. The
    // list may already be gone with the window's other children.
    if (TrackListView* list = list_.data(); list != nullptr) {
        TrackListModel& model = list->trackModel();
        model.setTracks(nullptr, ++tracksRevision_);
        model.setSelection(nullptr);
    }
}

void PlayerBinding::subscribe() {
    auto& engine = player_.engine();
    const auto transport = [this](const auto&) {
        const auto& e = player_.engine();
        content_.playerPanel().setTransport(
            {e.isLoaded.get(), e.isPlaying.get(), e.currentTime.get(), e.duration.get()});
    };
    subscriptions_.push_back(engine.isLoaded.subscribe(transport));
    subscriptions_.push_back(engine.isPlaying.subscribe(transport));
    subscriptions_.push_back(engine.currentTime.subscribe(transport));
    subscriptions_.push_back(engine.duration.subscribe([this, transport](const double& d) {
        transport(d);
        markDirty(nowPlayingPart);
    }));
    transport(0);

    subscriptions_.push_back(player_.playlists.subscribe([this](const auto&) {
        showActiveTracks();
        markDirty(tabsPart | statusPart | nowPlayingPart | undoPart);
    }));
    subscriptions_.push_back(player_.activePlaylistID.subscribe([this](const auto&) {
        showActiveTracks();
        showPlayingInList(false);
        markDirty(tabsPart | statusPart);
    }));
    subscriptions_.push_back(player_.searchText.subscribe([this](const std::string& text) {
        showActiveTracks();
        content_.toolbar().setSearchText(QString::fromStdString(text));
        content_.trackList().setReorderEnabled(!isSearching(player_));
    }));
    subscriptions_.push_back(player_.selection.subscribe([this](const auto& selection) {
        content_.trackList().trackModel().setSelection(&selection);
    }));
    subscriptions_.push_back(
        player_.playingTrackID.subscribe([this](const auto&) { onPlayingTrackChanged(); }));
    subscriptions_.push_back(
        player_.playingPlaylistID.subscribe([this](const auto&) { onPlayingTrackChanged(); }));
    subscriptions_.push_back(
        player_.settings.subscribe([this](const auto&) { markDirty(settingsPart | statusPart); }));
    subscriptions_.push_back(
        player_.removalUndoAvailable.subscribe([this](const bool&) { markDirty(undoPart); }));
    subscriptions_.push_back(
        player_.metadataScanProgress.subscribe([this](const auto&) { markDirty(scanPart); }));
    subscriptions_.push_back(player_.volumeKeyNudge.subscribe(
        [this](const int&) { content_.playerPanel().flashVolumeBubble(); }));
    subscriptions_.push_back(player_.seekKeyNudge.subscribe(
        [this](const int&) { content_.playerPanel().flashSeekBubble(); }));
}

void PlayerBinding::connectPanel() {
    PlayerPanel& panel = content_.playerPanel();
    PlayerController& p = player_;
    connect(&panel, &PlayerPanel::previousRequested, this, [&p] { p.prevTrack(); });
    connect(&panel, &PlayerPanel::togglePlayRequested, this, [&p] { p.togglePlay(); });
    connect(&panel, &PlayerPanel::restartRequested, this, [&p] { p.restartTrack(); });
    connect(&panel, &PlayerPanel::pauseToggleRequested, this, [&p] { p.pauseToggle(); });
    connect(&panel, &PlayerPanel::stopRequested, this, [&p] { p.stop(); });
    connect(&panel, &PlayerPanel::nextRequested, this, [&p] { p.nextTrack(false); });
    connect(&panel, &PlayerPanel::muteToggleRequested, this, [&p] { p.toggleMute(); });
    connect(&panel, &PlayerPanel::volumeEdited, this, [&p](double v) { p.setVolume(v); });
    connect(&panel, &PlayerPanel::panEdited, this, [&p](double pan) { p.setPan(pan); });
    connect(&panel, &PlayerPanel::seekRequested, this, [&p](double s) { p.seek(s); });
    connect(&panel, &PlayerPanel::remainingTimeToggleRequested, this, [&p] {
        p.changeSettings([](AppSettings& s) { s.showRemainingTime = !s.showRemainingTime; });
    });
    connect(&panel, &PlayerPanel::playlistToggleRequested, this,
            &PlayerBinding::playlistToggleRequested);
    connect(&panel, &PlayerPanel::settingsRequested, this, &PlayerBinding::settingsRequested);
    connect(&panel, &PlayerPanel::modePanelRequested, this, &PlayerBinding::modePanelRequested);
    connect(&panel, &PlayerPanel::equalizerPanelRequested, this,
            &PlayerBinding::equalizerPanelRequested);
}

void PlayerBinding::connectPlaylistArea() {
    PlayerController& p = player_;
    TabsBar& tabs = content_.tabsBar();
    connect(&tabs, &TabsBar::tabActivated, this, [&p](Uuid id) { p.selectPlaylist(id); });
    connect(&tabs, &TabsBar::renameCommitted, this,
            [&p](Uuid id, const QString& name) { p.renamePlaylist(id, name.toStdString()); });
    connect(&tabs, &TabsBar::closeRequested, this, [&p](Uuid id) { p.closePlaylist(id); });
    connect(&tabs, &TabsBar::closeConfirmationRequested, this,
            &PlayerBinding::closeAfterConfirming);
    connect(&tabs, &TabsBar::newPlaylistRequested, this, [&p] { p.addPlaylist(); });

    PlaylistToolbar& toolbar = content_.toolbar();
    connect(&toolbar, &PlaylistToolbar::addRequested, this, &PlayerBinding::addFilesWithChooser);
    connect(&toolbar, &PlaylistToolbar::removeRequested, this, [&p] { p.removeSelected(); });
    connect(&toolbar, &PlaylistToolbar::undoRequested, this, [&p] { p.undoRemove(); });
    connect(&toolbar, &PlaylistToolbar::loadRequested, this,
            &PlayerBinding::loadPlaylistWithChooser);
    connect(&toolbar, &PlaylistToolbar::saveRequested, this,
            &PlayerBinding::saveActivePlaylistWithChooser);
    connect(&toolbar, &PlaylistToolbar::clearRequested, this,
            &PlayerBinding::clearActivePlaylistAfterConfirming);
    connect(&toolbar, &PlaylistToolbar::searchTextEdited, this,
            [&p](const QString& text) { p.searchText = text.toStdString(); });

    TrackListView& list = content_.trackList();
    connect(&list, &TrackListView::trackClicked, this,
            [&p](Uuid id, bool shift, bool ctrl) { p.handleTrackClick(id, shift, ctrl); });
    connect(&list, &TrackListView::playRequested, this, [&p](Uuid id) { p.play(id); });
    connect(&list, &TrackListView::moveRequested, this,
            [&p](int from, int to) { p.moveTrack(from, to); });
    connect(&list, &TrackListView::filesDropped, this, [this](const QList<QUrl>& urls, int at) {
        // The line was drawn among the rows the search shows.
        std::size_t index = static_cast<std::size_t>(std::max(at, 0));
        if (const Playlist* active = player_.activePlaylist(); active && isSearching(player_))
            index = playlistInsertionIndex(searchResults_, active->tracks, index);
        player_.insertFiles(localPaths(urls), static_cast<std::ptrdiff_t>(index));
    });
    connect(&list, &TrackListView::removeSelectedRequested, this, [&p] { p.removeSelected(); });
    connect(&list, &TrackListView::recomputeBPMRequested, this,
            [&p](Uuid id) { p.recomputeBPM(id); });
    connect(&list, &TrackListView::editTagsRequested, this, &PlayerBinding::editTagsRequested);
    connect(&list, &TrackListView::removeFromMenuRequested, this, &PlayerBinding::removeFromMenu);
    connect(&list, &TrackListView::revealRequested, this, [&p](Uuid id) {
        if (const Playlist* active = p.activePlaylist()) {
            for (const Track& track : active->tracks) {
                if (track.id == id) {
                    revealInFileManager(track.path);
                    return;
                }
            }
        }
    });

    connect(&content_, &ContentView::filesDropped, this,
            [&p](const QList<QUrl>& urls) { p.addFiles(localPaths(urls)); });
}

void PlayerBinding::addFilesWithChooser() {
    const auto paths = chooseMusicToAdd(dialogParent_);
    if (!paths.empty())
        player_.addFiles(paths);
}

void PlayerBinding::loadPlaylistWithChooser() {
    const auto imported = choosePlaylistToLoad(dialogParent_);
    if (!imported)
        return;
    // The new playlist becomes active, so the files go into it.
    player_.addPlaylist(imported->name);
    player_.addFiles(imported->paths);
}

void PlayerBinding::saveActivePlaylistWithChooser() {
    if (const Playlist* active = player_.activePlaylist()) {
        const Playlist copy = *active; // the dialog runs the event loop meanwhile
        savePlaylistWithChooser(dialogParent_, copy);
    }
}

void PlayerBinding::clearActivePlaylistAfterConfirming() {
    const Playlist* active = player_.activePlaylist();
    if (active == nullptr)
        return;
    const Uuid id = active->id;
    const QString question =
        clearPlaylistConfirmation(QString::fromStdString(active->name), active->tracks.size());
    // The dialog runs the event loop: act only if the same playlist is still active.
    if (confirmDestructive(dialogParent_, question, QStringLiteral("Clear")) &&
        player_.activePlaylistID.get() == id)
        player_.clearActivePlaylist();
}

void PlayerBinding::closeAfterConfirming(Uuid playlistID) {
    const auto index = player_.playlistIndex(playlistID);
    if (!index)
        return;
    const QString name = QString::fromStdString(player_.playlists.get()[*index].name);
    if (confirmDestructive(dialogParent_, closePlaylistConfirmation(name),
                           QStringLiteral("Close Playlist")))
        player_.closePlaylist(playlistID);
}

void PlayerBinding::removeFromMenu(Uuid trackID) {
    if (player_.selection.get().count(trackID) == 0)
        player_.selection = std::set<Uuid>{trackID};
    player_.removeSelected();
}

void PlayerBinding::showActiveTracks() {
    TrackListModel& model = content_.trackList().trackModel();
    const Playlist* active = player_.activePlaylist();
    if (active == nullptr) {
        searchResults_.clear();
        model.setTracks(nullptr, ++tracksRevision_);
    } else if (isSearching(player_)) {
        searchResults_ = player_.visibleTracks();
        model.setTracks(&searchResults_, ++tracksRevision_);
    } else {
        searchResults_.clear();
        model.setTracks(&active->tracks, ++tracksRevision_);
    }
}

void PlayerBinding::onPlayingTrackChanged() {
    showPlayingInList(true);
    markDirty(tabsPart | statusPart | nowPlayingPart);
}

void PlayerBinding::showPlayingInList(bool scrollToIt) {
    TrackListView& list = content_.trackList();
    const auto& playingID = player_.playingTrackID.get();
    const bool shownHere = playingID && player_.playingPlaylistID.get() &&
                           player_.playingPlaylistID.get() == player_.activePlaylistID.get();
    list.trackModel().setPlayingTrackID(shownHere ? playingID : std::nullopt);
    if (shownHere && scrollToIt)
        list.scrollToTrack(*playingID);
}

void PlayerBinding::markDirty(unsigned parts) {
    dirty_ |= parts;
    if (refreshQueued_)
        return;
    refreshQueued_ = true;
    QMetaObject::invokeMethod(this, &PlayerBinding::refresh, Qt::QueuedConnection);
}

void PlayerBinding::refreshNow() {
    refresh();
}

void PlayerBinding::refresh() {
    refreshQueued_ = false;
    const unsigned parts = std::exchange(dirty_, 0u);
    if (parts == 0)
        return;
    const AppSettings& settings = player_.settings.get();
    const Playlist* active = player_.activePlaylist();
    const Track* playing = player_.playingTrack();

    if (parts & tabsPart) {
        std::vector<PlaylistTabInfo> tabs;
        tabs.reserve(player_.playlists.get().size());
        for (const Playlist& playlist : player_.playlists.get())
            tabs.push_back(
                {playlist.id, QString::fromStdString(playlist.name), playlist.tracks.size()});
        content_.tabsBar().setTabs(tabs, player_.activePlaylistID.get(),
                                   player_.playingPlaylistID.get());
    }
    if (parts & settingsPart) {
        content_.playerPanel().setSettings(settings);
        content_.trackList().setFontSize(settings.playlistFontSize);
    }
    if (parts & nowPlayingPart) {
        std::optional<std::size_t> position;
        if (playing != nullptr) {
            if (const auto pi = player_.playlistIndex(player_.playingPlaylistID.get())) {
                const auto& tracks = player_.playlists.get()[*pi].tracks;
                for (std::size_t i = 0; i < tracks.size(); ++i) {
                    if (tracks[i].id == playing->id) {
                        position = i;
                        break;
                    }
                }
            }
        }
        content_.playerPanel().setNowPlaying(playing, position);
    }
    if (parts & statusPart)
        content_.statusBar().showState(settings, active, playing);
    if (parts & undoPart)
        content_.toolbar().setUndoAvailable(player_.removalUndoAvailable.get());
    if (parts & scanPart) {
        const auto progress = player_.metadataScanProgress.get();
        content_.statusBar().showScanProgress(progress.done, progress.total);
    }
}

} // namespace orvane
