#include "ui/window/MainWindow.h"

#include "ui/UiTestSupport.h"
#include "support/ScratchFolder.h"
#include "support/WAVFile.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainMenus.h"
#include "ui/window/PlayerBinding.h"
#include "ui/player/PlayerPanel.h"
#include "ui/playlist/PlaylistToolbar.h"
#include "ui/playlist/StatusBar.h"
#include "ui/playlist/TrackListModel.h"
#include "ui/playlist/TrackListView.h"
#include "ui/window/WindowSizing.h"

#include <QAction>
#include <QLineEdit>

namespace orvane::test {
namespace {

// Started with the playlist hidden: showing it returns to the height of the last run,
// or to the default when none was saved.
TEST(WindowSizingTest, ShowingAfterAHiddenStartUsesTheStoredOrDefaultHeight) {
    WindowSizing sizing;
    EXPECT_EQ(sizing.shown(QSize(900, 200)).size, QSize(900, 620));
    WindowSizing startedHidden;
    startedHidden.rememberStartHeight(700);
    startedHidden.hidden(QSize(660, 700), 180);
    EXPECT_EQ(startedHidden.shown(QSize(660, 180)).size.height(), 700);
}

class MainWindowTest : public QtAppTest {
protected:
    // Starts with `tracks` playable one-second tracks (a minute long on record).
    void start(int tracks) {
        PersistedState state = PersistedState::fresh();
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
