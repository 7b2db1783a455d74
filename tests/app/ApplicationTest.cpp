#include "app/Application.h"

#include "controller/PlayerController.h"
#include "model/Persistence.h"
#include "support/ScratchFolder.h"
#include "ui/UiTestSupport.h"
#include "ui/playlist/PlaylistToolbar.h"
#include "ui/playlist/TrackListView.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainWindow.h"

#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

// The whole application against a private data folder: its state file is the only
// thing it writes.
class ApplicationTest : public QtAppTest {
protected:
    ApplicationTest() { qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.root().native())); }
    ~ApplicationTest() override { qunsetenv("XDG_DATA_HOME"); }
    ScratchFolder data;
};

TEST_F(ApplicationTest, QuittingWritesTheLastChangeToTheStateFile) {
    Application app;
    app.show();
    EXPECT_EQ(app.mainWindow().windowTitle(), QStringLiteral("Orvane"));
    app.player().setVolume(0.37); // saved 0.5 s later, unless quitting flushes it
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    const PersistedState stored = Persistence(data / "Orvane/orvane-data.json").load();
    EXPECT_DOUBLE_EQ(stored.settings.volume, 0.37);
}

TEST_F(ApplicationTest, ArrowKeysReachThePlayerUnlessATextFieldOrAPopupHasThem) {
    Application app;
    app.show();
    PlayerController& player = app.player();
    player.setVolume(0.5);
    auto volume = [&] {
        return player.settings.get().volume;
    };

    QWidget& list = app.mainWindow().content().trackList();
    QTest::keyClick(&list, Qt::Key_Up);
    EXPECT_DOUBLE_EQ(volume(), 0.55);
    QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(volume(), 0.55);
    EXPECT_EQ(player.volumeKeyNudge.get(), 1);

    QMenu menu(&app.mainWindow());
    menu.addAction(QStringLiteral("One"));
    menu.popup(QPoint(0, 0));
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_DOUBLE_EQ(volume(), 0.55) << "an open menu keeps its arrows";
    menu.close();

    QLineEdit& search = *app.mainWindow().content().toolbar().findChild<QLineEdit*>();
    app.mainWindow().activateWindow();
    search.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(search.hasFocus());
    QTest::keyClick(&search, Qt::Key_Down);
    EXPECT_DOUBLE_EQ(volume(), 0.55) << "the search field keeps its arrows";
}

// A playlist file opened alone becomes a playlist and plays; beside tracks it is only
// imported, and the first track named plays from the playlist that was active.
TEST_F(ApplicationTest, OpeningAPlaylistFileMakesANewPlaylistThatPlaysWhenNamedAlone) {
    const std::string fixtures = ORVANE_FIXTURES_DIR;
    const std::string list =
        data.write("mix.m3u8", "#EXTM3U\n" + fixtures + "/sine.flac\n" + fixtures + "/sine.wav\n");
    Application app;
    PlayerController& player = app.player();
    const auto playingPath = [&] {
        const Track* track = player.playingTrack();
        return track != nullptr ? track->path : std::string();
    };

    app.open({list});
    ASSERT_EQ(player.playlists.get().size(), 2U);
    EXPECT_EQ(player.activePlaylist()->name, "mix");
    EXPECT_EQ(player.activePlaylist()->tracks.size(), 2U);
    EXPECT_EQ(playingPath(), fixtures + "/sine.flac");

    app.open({fixtures + "/sine.mp3", list});
    ASSERT_EQ(player.playlists.get().size(), 3U);
    EXPECT_EQ(player.playlists.get()[1].tracks.size(), 3U);
    EXPECT_EQ(playingPath(), fixtures + "/sine.mp3");
}

} // namespace
} // namespace orvane::test
