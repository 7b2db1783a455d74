#include "ui/UiTestSupport.h"
#include "ui/playlist/PlaylistTab.h"
#include "ui/playlist/PlaylistTexts.h"
#include "ui/playlist/PlaylistToolbar.h"
#include "ui/playlist/SearchBox.h"
#include "ui/playlist/StatusBar.h"
#include "ui/playlist/StatusTexts.h"
#include "ui/playlist/TabsBar.h"
#include "ui/style/IconButton.h"
#include "ui/window/ConfirmDialog.h"
#include "ui/window/ContentView.h"

#include <cmath>

#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::str;

TEST(ConfirmationDialog, OffersTheDestructiveChoiceAndCancelByDefault) {
    test::qtApp();
    const auto box = makeConfirmation(nullptr, clearPlaylistConfirmation(QStringLiteral("Mix"), 3),
                                      QStringLiteral("Clear"));
    QAbstractButton* destroy = destructiveButton(*box);
    ASSERT_NE(destroy, nullptr);
    EXPECT_EQ(str(destroy->text()), "Clear");
    // Return and Escape both take the harmless choice.
    EXPECT_EQ(str(box->defaultButton()->text()), "Cancel");
    EXPECT_EQ(box->escapeButton(), static_cast<QAbstractButton*>(box->defaultButton()));
}

class TabsBarTest : public test::QtAppTest {
protected:
    TabsBarTest() {
        bar.setTabs({{empty, QStringLiteral("Empty"), 0}, {full, QStringLiteral("Full"), 5}}, full,
                    empty);
    }

    Uuid empty = Uuid::random();
    Uuid full = Uuid::random();
    TabsBar bar;
};

TEST_F(TabsBarTest, ShowsActiveAndPlayingPlaylistsAndClosingOneWithTracksAsksFirst) {
    EXPECT_FALSE(bar.tab(empty)->isActive());
    EXPECT_TRUE(bar.tab(empty)->isPlaying());
    EXPECT_TRUE(bar.tab(full)->isActive());
    EXPECT_FALSE(bar.tab(full)->isPlaying());

    QSignalSpy close(&bar, &TabsBar::closeRequested);
    QSignalSpy confirm(&bar, &TabsBar::closeConfirmationRequested);
    bar.tab(empty)->closeButton().click();
    bar.tab(full)->closeButton().click();
    ASSERT_EQ(close.count(), 1);
    EXPECT_EQ(close.at(0).at(0).value<Uuid>(), empty);
    ASSERT_EQ(confirm.count(), 1);
    EXPECT_EQ(confirm.at(0).at(0).value<Uuid>(), full);
}

TEST_F(TabsBarTest, AClickActivatesADoubleClickRenamesAndARebuildKeepsTheRename) {
    QSignalSpy activated(&bar, &TabsBar::tabActivated);
    QSignalSpy renamed(&bar, &TabsBar::renameCommitted);
    PlaylistTab* tab = bar.tab(empty);
    test::sendMouse(tab, QEvent::MouseButtonPress, {5, 5});
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.at(0).at(0).value<Uuid>(), empty);

    test::sendMouse(tab, QEvent::MouseButtonDblClick, {5, 5});
    ASSERT_TRUE(tab->isRenaming());
    EXPECT_EQ(bar.renamingID(), empty);
    tab->renameField()->setText(QStringLiteral("Chill"));
    emit tab->renameField()->editingFinished();
    emit tab->renameField()->editingFinished(); // focus loss after Return: still one rename
    ASSERT_EQ(renamed.count(), 1);
    EXPECT_EQ(renamed.at(0).at(0).value<Uuid>(), empty);
    EXPECT_EQ(str(renamed.at(0).at(1).toString()), "Chill");
    EXPECT_FALSE(tab->isRenaming());

    // A rename under way survives the playlists changing underneath it, half-typed
    // name and all; Escape then cancels it.
    test::sendMouse(bar.tab(full), QEvent::MouseButtonDblClick, {5, 5});
    QLineEdit* field = bar.tab(full)->renameField();
    field->setText(QStringLiteral("Ro"));
    bar.setTabs({{full, QStringLiteral("Full"), 7}, {empty, QStringLiteral("Chill"), 0}}, full,
                full);
    ASSERT_EQ(bar.tabs().size(), 2u);
    EXPECT_EQ(bar.tabs()[0], bar.tab(full));
    EXPECT_EQ(bar.tab(full)->renameField(), field);
    EXPECT_TRUE(bar.tab(full)->isRenaming());
    EXPECT_EQ(field->text(), QStringLiteral("Ro"));
    EXPECT_EQ(renamed.count(), 1);
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(bar.tab(full)->isRenaming());
    EXPECT_EQ(bar.tab(full)->name(), QStringLiteral("Full"));
    EXPECT_EQ(bar.renamingID(), std::nullopt);
    EXPECT_EQ(renamed.count(), 1);

    test::sendMouse(bar.tab(full), QEvent::MouseButtonDblClick, {5, 5});
    bar.setTabs({{empty, QStringLiteral("Empty"), 0}}, empty, std::nullopt);
    EXPECT_EQ(bar.renamingID(), std::nullopt);
}

// "Mix v1.2" is not a name with an extension, and "AC/DC" is not a folder.
TEST(PlaylistFileNames, SavedNamesEndInM3U8AndProposedOnesHaveNoSlash) {
    EXPECT_EQ(proposedPlaylistFileName(QStringLiteral("AC/DC")), QStringLiteral("AC-DC.m3u8"));
    EXPECT_EQ(playlistSavePath(QStringLiteral("/m/Mix v1.2")), QStringLiteral("/m/Mix v1.2.m3u8"));
    EXPECT_EQ(playlistSavePath(QStringLiteral("/m/a.M3U8")), QStringLiteral("/m/a.M3U8"));
}

TEST(PlaylistToolbarTest, SearchBoxClearsItsText) {
    test::qtApp();
    PlaylistToolbar toolbar;
    QSignalSpy edits(&toolbar, &PlaylistToolbar::searchTextEdited);
    SearchBox& search = toolbar.searchBox();
    EXPECT_FALSE(search.clearButtonVisible());

    toolbar.setSearchText(QStringLiteral("nina"));
    EXPECT_TRUE(search.clearButtonVisible());
    auto* clear = search.findChild<IconButton*>();
    ASSERT_NE(clear, nullptr);
    clear->click();
    EXPECT_EQ(str(search.text()), "");
    EXPECT_FALSE(search.clearButtonVisible());
    ASSERT_EQ(edits.count(), 1);
    EXPECT_EQ(str(edits.at(0).at(0).toString()), "");
}

TEST(ContentViewTest, TakesFileDropsOnlyWhileThePlaylistIsHidden) {
    test::qtApp();
    ContentView view;
    QSignalSpy drops(&view, &ContentView::filesDropped);
    QMimeData mime;
    mime.setUrls({QUrl(QStringLiteral("https://example.org/x.mp3")),
                  QUrl::fromLocalFile(QStringLiteral("/music/a.mp3"))});
    EXPECT_FALSE(test::dragEnter(&view, mime, {20, 20}));
    test::drop(&view, mime, {20, 20});
    EXPECT_EQ(drops.count(), 0);

    view.setPlaylistVisible(false);
    EXPECT_TRUE(test::dragEnter(&view, mime, {20, 20}));
    test::drop(&view, mime, {20, 20});
    ASSERT_EQ(drops.count(), 1);
    EXPECT_EQ(drops.at(0).at(0).value<QList<QUrl>>(),
              QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/music/a.mp3"))});
}

Track timed(std::optional<double> duration) {
    Track track(Uuid::random(), "/m/x.mp3", "a", "t");
    track.duration = duration;
    return track;
}

// Settings with every flag of the status bar off.
AppSettings quietSettings() {
    AppSettings settings;
    settings.gapless = false;
    return settings;
}

TEST(TrackCount, ShowsHoursForLongListsAndAddsOnlyTheKnownLengths) {
    EXPECT_EQ(str(trackCountText(120, 64080.0)), "120 tracks \u00B7 17h 48m");

    const std::vector<Track> tracks{timed(60.0), timed(std::nullopt), timed(30.5),
                                    timed(std::nan("")), timed(-5.0)};
    EXPECT_DOUBLE_EQ(knownDurationSum(tracks), 90.5);
}

TEST(StatusBarWidget, ShowsCountFlagsAndPlayingTrack) {
    test::qtApp();
    StatusBar bar;
    Playlist playlist(Uuid::random(), "P", {timed(100.0)});
    playlist.tracks[0].artist = "";
    playlist.tracks[0].title = "Solo";
    AppSettings settings = quietSettings();
    settings.shuffle = true;
    bar.showState(settings, &playlist, &playlist.tracks[0]);
    EXPECT_EQ(str(bar.countText()), "1 track \u00B7 1:40");
    EXPECT_TRUE(bar.flagsVisible());
    EXPECT_EQ(str(bar.flagsText()), "SHUFFLE");
    EXPECT_EQ(str(bar.playingText()), "Playing: Solo");

    bar.showState(quietSettings(), nullptr, nullptr);
    EXPECT_EQ(str(bar.countText()), "0 tracks");
    EXPECT_FALSE(bar.flagsVisible());
    EXPECT_EQ(str(bar.playingText()), "");
}

} // namespace
} // namespace orvane
