#include "ui/window/MainWindow.h"

#include "support/ScratchFolder.h"
#include "support/WAVFile.h"
#include "ui/UiTestSupport.h"
#include "ui/player/NowPlayingView.h"
#include "ui/player/PlayerPanel.h"
#include "ui/playlist/PlaylistToolbar.h"
#include "ui/playlist/StatusBar.h"
#include "ui/playlist/TrackListModel.h"
#include "ui/playlist/TrackListView.h"
#include "ui/style/Theme.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainMenus.h"
#include "ui/window/PlayerBinding.h"
#include "ui/window/WindowSizing.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QWindow>

namespace orvane::test {
namespace {

class MainWindowTest : public QtAppTest {
protected:
    // Starts with `tracks` playable one-second tracks (a minute long on record).
    void start(int tracks, bool showPlaylist = true) {
        PersistedState state = PersistedState::fresh();
        state.settings.showPlaylist = showPlaylist;
        for (int i = 0; i < tracks; ++i) {
            const auto file = files / (std::to_string(i) + ".wav");
            testaudio::writeWAV16(file, 8000, 1, 8000, [](std::uint32_t n) {
                return static_cast<std::int16_t>(n % 2 ? 3000 : -3000);
            });
            Track track(Uuid::random(), file.native(), "Artist", "Song " + std::to_string(i));
            track.duration = 60.0;
            state.playlists.front().tracks.push_back(track);
        }
        player = makePlayer(loop, state);
        window = std::make_unique<MainWindow>(*player);
    }
    ContentView& content() { return window->content(); }

    ScratchFolder files;
    ManualMainLoop loop;
    std::unique_ptr<PlayerController> player;
    std::unique_ptr<MainWindow> window; // goes before the player it watches
};

TEST_F(MainWindowTest, HidingThePlaylistHoldsTheCompactHeightAndShowingReturnsToTheOldOne) {
    start(3);
    window->resize(800, 700);
    window->togglePlaylistVisible();
    EXPECT_FALSE(player->settings.get().showPlaylist);
    EXPECT_FALSE(content().isPlaylistVisible());
    EXPECT_EQ(window->minimumHeight(), window->maximumHeight());
    EXPECT_EQ(window->width(), 660);
    EXPECT_EQ(window->menus().playlistAction().text(), QStringLiteral("Show Playlist"));

    window->togglePlaylistVisible();
    EXPECT_TRUE(content().isPlaylistVisible());
    EXPECT_EQ(window->height(), 700);
    EXPECT_EQ(window->minimumHeight(), 480);
    EXPECT_TRUE(player->savePending());
}

TEST_F(MainWindowTest, TheCompactWindowIsAsHighAsThePanelWantsAndNeverStoresItsOwnHeight) {
    start(2, false);
    window->show();
    const auto settle = [&](double seconds) {
        loop.advance(seconds);
        window->binding().refreshNow();
        QApplication::processEvents();
    };
    settle(0.5);
    PlayerPanel& panel = content().playerPanel();
    const int idle = window->compactHeight();
    EXPECT_EQ(window->height(), idle);
    EXPECT_EQ(panel.height(), panel.sizeHint().height()) << "the panel is not squeezed";

    // Playing shows the info line: the window grows with it, and shrinks after Stop.
    player->play(player->activePlaylist()->tracks[0].id);
    settle(0.5);
    const int playing = window->compactHeight();
    EXPECT_GT(playing, idle);
    EXPECT_EQ(window->height(), playing);
    EXPECT_EQ(panel.height(), panel.sizeHint().height());
    player->stop();
    settle(3.0); // past the stop's fade
    EXPECT_LT(window->compactHeight(), playing);
    EXPECT_EQ(window->height(), window->compactHeight());

    // None of those heights is one to come back to.
    window->togglePlaylistVisible();
    EXPECT_EQ(window->height(), WindowSizing::defaultHeightWithPlaylist);
}

// The window manager's events after leaving full screen come in either order; the
// window ends up as it was before, and its height is not taken as one to return to.
TEST_F(MainWindowTest, LeavingFullScreenRestoresTheGeometryWhateverTheEventOrder) {
    start(1);
    window->show();
    window->resize(760, 640);
    QApplication::processEvents();
    const QSize before = window->size();
    const QSize screen = window->screen()->geometry().size();
    for (const bool resizeFirst : {false, true}) {
        SCOPED_TRACE(resizeFirst ? "resize first" : "state change first");
        window->toggleFullscreen();
        QApplication::processEvents();
        ASSERT_TRUE(window->isFullscreenActive());
        if (resizeFirst) {
            window->windowHandle()->resize(screen.width(), screen.height() - 40);
            QApplication::processEvents();
            window->setWindowState(Qt::WindowNoState);
        } else {
            window->setWindowState(Qt::WindowNoState);
            // A late configure with the full-screen size.
            window->windowHandle()->resize(screen);
        }
        QApplication::processEvents();
        EXPECT_FALSE(window->isFullscreenActive());
        EXPECT_EQ(window->size(), before);
    }
    window->togglePlaylistVisible();
    window->togglePlaylistVisible();
    EXPECT_EQ(window->height(), before.height());
}

TEST_F(MainWindowTest, MenusAndDialogsOpenedLaterAreDarkToo) {
    start(0);
    QMenu menu;
    EXPECT_EQ(menu.palette().color(QPalette::Window), Theme::bg);
    QMessageBox box;
    EXPECT_EQ(box.palette().color(QPalette::Base), Theme::listBlack);
}

TEST_F(MainWindowTest, FilesDroppedWhileSearchingGoBelowTheShownRowAboveTheLine) {
    start(5);
    const auto dropped = files / "dropped.wav";
    testaudio::writeWAV16(dropped, 8000, 1, 800, [](std::uint32_t) { return std::int16_t{0}; });
    player->searchText = "song 3";
    window->binding().refreshNow();
    emit content().trackList().filesDropped(
        {QUrl::fromLocalFile(QString::fromStdString(dropped.native()))}, 1);
    const auto& tracks = player->activePlaylist()->tracks;
    ASSERT_EQ(tracks.size(), 6u);
    EXPECT_EQ(tracks[3].title, "Song 3");
    EXPECT_EQ(tracks[4].path, dropped.native());
}

TEST_F(MainWindowTest, PlayPauseTitleAndUndoFollowThePlayer) {
    start(3);
    MainMenus& menus = window->menus();
    EXPECT_EQ(menus.playPauseAction().text(), QStringLiteral("Play"));
    EXPECT_FALSE(menus.undoRemoveAction().isEnabled());
    EXPECT_FALSE(content().toolbar().isUndoShown());

    player->play(player->activePlaylist()->tracks[0].id);
    loop.advance(0.5);
    EXPECT_EQ(menus.playPauseAction().text(), QStringLiteral("Pause"));

    player->handleTrackClick(player->activePlaylist()->tracks[1].id, false, false);
    player->removeSelected();
    window->binding().refreshNow();
    EXPECT_TRUE(menus.undoRemoveAction().isEnabled());
    EXPECT_TRUE(content().toolbar().isUndoShown());
    menus.undoRemoveAction().trigger();
    window->binding().refreshNow();
    EXPECT_FALSE(menus.undoRemoveAction().isEnabled());
    EXPECT_FALSE(content().toolbar().isUndoShown());
    EXPECT_EQ(player->activePlaylist()->tracks.size(), 3u);
}

TEST_F(MainWindowTest, TheListAndStatusBarFollowEditsSearchAndThePlayingTrack) {
    start(5);
    TrackListModel& model = content().trackList().trackModel();
    EXPECT_EQ(model.rowCount(), 5);

    player->searchText = "song 3";
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_FALSE(content().trackList().isReorderEnabled());
    player->searchText = "";
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_TRUE(content().trackList().isReorderEnabled());

    // The list is re-pointed as the playlist changes, not one turn later.
    player->addPlaylist("Other");
    EXPECT_EQ(model.rowCount(), 0);
    player->selectPlaylist(player->playlists.get()[0].id);
    EXPECT_EQ(model.rowCount(), 5);

    const Uuid second = player->activePlaylist()->tracks[1].id;
    player->play(second);
    loop.advance(0.5);
    EXPECT_TRUE(model.isPlaying(1));
    window->binding().refreshNow();
    EXPECT_EQ(content().statusBar().playingText(), QStringLiteral("Playing: Artist - Song 1"));
}

TEST_F(MainWindowTest, AClickOutsideATextFieldEndsEditing) {
    start(2);
    window->show();
    window->activateWindow();
    QLineEdit& search = *content().toolbar().findChild<QLineEdit*>();
    search.setFocus();
    QApplication::processEvents();
    if (!search.hasFocus())
        GTEST_SKIP() << "this platform gives no keyboard focus to an offscreen window";

    QLineEdit other(window.get());
    click(&other, QPointF(2, 2));
    EXPECT_TRUE(search.hasFocus()) << "another text field keeps the editing";

    click(&content().playerPanel(), QPointF(5, 5));
    EXPECT_FALSE(search.hasFocus());
}

} // namespace
} // namespace orvane::test
