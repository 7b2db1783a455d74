#include "ui/UiTestSupport.h"
#include "ui/playlist/TrackListModel.h"
#include "ui/playlist/TrackListView.h"
#include "ui/playlist/TrackRowDelegate.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::sendMouse;

using test::str;

std::vector<Track> makeTracks(int count) {
    std::vector<Track> tracks;
    for (int i = 0; i < count; ++i) {
        Track track(Uuid::random(), "/m/" + std::to_string(i) + ".mp3", i % 2 ? "Artist" : "",
                    "Song " + std::to_string(i));
        if (i % 3 != 0)
            track.duration = 60.0 + i;
        tracks.push_back(track);
    }
    return tracks;
}

class TrackListModelTest : public test::QtAppTest {
protected:
    std::vector<Track> tracks = makeTracks(12);
    TrackListModel model;
};

// The model shows the list it is given, resetting only for a new list or revision, and
// the selection; the playing row follows its track across changes, each change
// repainting the old and the new playing row.
TEST_F(TrackListModelTest, ShowsTheTracksSelectionAndPlayingRow) {
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    model.setTracks(&tracks, 1);
    model.setTracks(&tracks, 1);
    EXPECT_EQ(resets.count(), 1);
    ASSERT_EQ(model.rowCount(), 12);
    EXPECT_EQ(str(model.index(0).data()), "Song 0");
    EXPECT_EQ(str(model.index(1).data()), "Artist - Song 1");
    EXPECT_EQ(str(model.index(9).data(TrackListModel::NumberRole)), "10.");
    EXPECT_EQ(str(model.index(1).data(TrackListModel::DurationTextRole)), "1:01");
    EXPECT_EQ(str(model.index(0).data(TrackListModel::DurationTextRole)), "\u2013:\u2013\u2013");
    const std::set<Uuid> selection{tracks[0].id, tracks[2].id};
    model.setSelection(&selection);
    EXPECT_TRUE(model.index(0).data(TrackListModel::IsSelectedRole).toBool());
    EXPECT_TRUE(model.isSelected(2));

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setPlayingTrackID(tracks[1].id);
    EXPECT_TRUE(model.index(1).data(TrackListModel::IsPlayingRole).toBool());
    model.setPlayingTrackID(tracks[3].id);
    EXPECT_FALSE(model.isPlaying(1));
    EXPECT_TRUE(model.isPlaying(3));
    EXPECT_EQ(changed.count(), 3);

    // The track moves to the front and the last goes: the playing row goes with it.
    std::rotate(tracks.begin(), tracks.begin() + 3, tracks.end());
    tracks.pop_back();
    model.setTracks(&tracks, 2);
    EXPECT_EQ(resets.count(), 2);
    EXPECT_EQ(model.rowCount(), 11);
    EXPECT_TRUE(model.isPlaying(0));
    model.setPlayingTrackID(std::nullopt);
    EXPECT_FALSE(model.isPlaying(0));
}

class TrackListViewTest : public test::QtAppTest {
protected:
    TrackListViewTest() : tracks(makeTracks(10)) {
        view.setFontSize(12.0); // 25-pixel rows
        view.resize(400, 150);
        view.trackModel().setTracks(&tracks, 1);
        view.show();
        view.doItemsLayout();
        QApplication::processEvents();
    }

    QPointF rowCentre(int row) const { return {100.0, (row + 0.5) * view.rowHeight()}; }
    QWidget* viewport() { return view.viewport(); }

    std::vector<Track> tracks;
    TrackListView view;
};

// The settings arrive whole on every change, each volume step among them: the same font
// size again must not lay a large playlist's rows out anew; a new size must, once the
// view next needs them.
class TrackListLayoutTest : public test::QtAppTest {};

TEST_F(TrackListLayoutTest, OnlyANewFontSizeLaysTheRowsOutAgain) {
    struct CountingView final : TrackListView {
        void doItemsLayout() override {
            ++layouts;
            TrackListView::doItemsLayout();
        }
        int layouts = 0;
    };
    std::vector<Track> tracks = makeTracks(2000);
    CountingView view;
    view.resize(400, 150);
    view.trackModel().setTracks(&tracks, 1);
    view.setFontSize(12.0);
    view.show();
    QApplication::processEvents();
    const int shown = view.layouts;
    for (int step = 0; step < 5; ++step)
        view.setFontSize(12.0);
    QApplication::processEvents();
    EXPECT_EQ(view.layouts, shown);
    view.setFontSize(16.0);
    QApplication::processEvents();
    EXPECT_GT(view.layouts, shown);
    EXPECT_GT(view.visualRect(view.model()->index(1, 0)).top(), 25);
}

TEST_F(TrackListViewTest, AClickReportsTrackAndModifiersAndOnlyASecondQuickClickOnTheSameRowPlays) {
    QSignalSpy clicks(&view, &TrackListView::trackClicked);
    QSignalSpy plays(&view, &TrackListView::playRequested);
    const auto interval = static_cast<quint64>(QApplication::doubleClickInterval());
    // Slow, or on another row: single clicks, each with its track and modifiers.
    test::click(viewport(), rowCentre(3), Qt::ShiftModifier, 10000);
    test::click(viewport(), rowCentre(3), Qt::NoModifier, 10000 + interval);
    test::click(viewport(), rowCentre(4), Qt::ControlModifier, 10000 + interval + 10);
    ASSERT_EQ(clicks.count(), 3);
    EXPECT_EQ(plays.count(), 0);
    EXPECT_EQ(clicks.at(0).at(0).value<Uuid>(), tracks[3].id);
    EXPECT_TRUE(clicks.at(0).at(1).toBool()); // shift
    EXPECT_FALSE(clicks.at(0).at(2).toBool());
    EXPECT_EQ(clicks.at(2).at(0).value<Uuid>(), tracks[4].id);
    EXPECT_TRUE(clicks.at(2).at(2).toBool()); // control

    const quint64 start = 50000;
    test::click(viewport(), rowCentre(3), Qt::NoModifier, start);
    sendMouse(viewport(), QEvent::MouseButtonDblClick, rowCentre(3), Qt::LeftButton, Qt::NoModifier,
              start + interval - 1);
    sendMouse(viewport(), QEvent::MouseButtonRelease, rowCentre(3), Qt::LeftButton, Qt::NoModifier,
              start + interval - 1);
    EXPECT_EQ(clicks.count(), 4);
    ASSERT_EQ(plays.count(), 1);
    EXPECT_EQ(plays.at(0).at(0).value<Uuid>(), tracks[3].id);
}

TEST_F(TrackListViewTest, DraggingARowHalfARowDownMovesItOneDownUnlessSearching) {
    QSignalSpy moves(&view, &TrackListView::moveRequested);
    QSignalSpy clicks(&view, &TrackListView::trackClicked);
    const QPointF start = rowCentre(2);
    sendMouse(viewport(), QEvent::MouseButtonPress, start);
    sendMouse(viewport(), QEvent::MouseMove, start + QPointF(0, 4));
    EXPECT_EQ(view.dragInsertionIndex(), std::nullopt); // under the 6-pixel threshold
    sendMouse(viewport(), QEvent::MouseMove, start + QPointF(0, 12.5));
    EXPECT_EQ(view.dragInsertionIndex(), 4u);
    sendMouse(viewport(), QEvent::MouseButtonRelease, start + QPointF(0, 12.5));
    ASSERT_EQ(moves.count(), 1);
    EXPECT_EQ(moves.at(0).at(0).toInt(), 2);
    EXPECT_EQ(moves.at(0).at(1).toInt(), 4);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(view.dragInsertionIndex(), std::nullopt);

    // The first row dragged up lands at the top.
    sendMouse(viewport(), QEvent::MouseButtonPress, rowCentre(0));
    sendMouse(viewport(), QEvent::MouseMove, rowCentre(0) - QPointF(0, 80));
    sendMouse(viewport(), QEvent::MouseButtonRelease, rowCentre(0) - QPointF(0, 80));
    ASSERT_EQ(moves.count(), 2);
    EXPECT_EQ(moves.at(1).at(1).toInt(), 0);

    // No reordering while searching; released on another row, not a click either.
    view.setReorderEnabled(false);
    sendMouse(viewport(), QEvent::MouseButtonPress, rowCentre(1));
    sendMouse(viewport(), QEvent::MouseMove, rowCentre(3));
    EXPECT_EQ(view.dragInsertionIndex(), std::nullopt);
    sendMouse(viewport(), QEvent::MouseButtonRelease, rowCentre(3));
    EXPECT_EQ(moves.count(), 2);
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(TrackListViewTest, FilesDroppedGoToTheNearestGapCountingTheScrolledAwayRows) {
    QSignalSpy drops(&view, &TrackListView::filesDropped);
    const QList<QUrl> urls{QUrl::fromLocalFile("/music/a.flac"),
                           QUrl::fromLocalFile("/music/b.mp3")};
    QMimeData mime;
    mime.setUrls(urls);
    view.verticalScrollBar()->setValue(100); // four rows scrolled away
    EXPECT_TRUE(test::dragEnter(viewport(), mime, {50, 30}));
    ASSERT_TRUE(view.externalDropTarget());
    EXPECT_EQ(view.externalDropTarget()->insertionIndex, 5u);
    EXPECT_DOUBLE_EQ(view.externalDropTarget()->indicatorY, 25.0);
    EXPECT_TRUE(test::drop(viewport(), mime, {50, 30}));
    EXPECT_FALSE(view.externalDropTarget());
    ASSERT_EQ(drops.count(), 1);
    EXPECT_EQ(drops.at(0).at(0).value<QList<QUrl>>(), urls);
    EXPECT_EQ(drops.at(0).at(1).toInt(), 5);
}

TEST_F(TrackListViewTest, TheContextMenuOffersTheRowsActionsAndDeleteRemovesTheSelection) {
    const std::unique_ptr<QMenu> menu = view.contextMenuForRow(6);
    ASSERT_TRUE(menu);
    QStringList titles;
    for (QAction* action : menu->actions())
        titles << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(titles.join(QLatin1Char('|')).toStdString(),
              "Play|Show in File Manager|Edit Tags\u2026|Recompute BPM|-|Remove from playlist");

    QSignalSpy removes(&view, &TrackListView::removeFromMenuRequested);
    menu->actions().last()->trigger();
    ASSERT_EQ(removes.count(), 1);
    EXPECT_EQ(removes.at(0).at(0).value<Uuid>(), tracks[6].id);
    EXPECT_FALSE(view.contextMenuForRow(-1));

    QSignalSpy removeSelection(&view, &TrackListView::removeSelectedRequested);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    EXPECT_EQ(removeSelection.count(), 1);
}

TEST_F(TrackListViewTest, ScrollsAPlayingTrackIntoView) {
    view.scrollToTrack(tracks[8].id, false);
    const QRect row = view.visualRect(view.trackModel().index(8));
    EXPECT_GE(row.top(), 0);
    EXPECT_LE(row.bottom(), view.viewport()->height());
    const int scrolled = view.verticalScrollBar()->value();
    EXPECT_GT(scrolled, 0);
    view.scrollToTrack(tracks[7].id, false); // already visible: no jump
    EXPECT_EQ(view.verticalScrollBar()->value(), scrolled);
}

} // namespace
} // namespace orvane
