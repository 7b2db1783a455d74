#include "ui/PlaylistGeometry.h"
#include "ui/RoundedCorner.h"
#include "ui/SliderMath.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(SliderValues, VolumeFollowsThePointerWithinBounds) {
    EXPECT_DOUBLE_EQ(fillSliderValueAt(35.0, 140.0), 0.25);
    EXPECT_DOUBLE_EQ(fillSliderValueAt(-10.0, 140.0), 0.0);
    EXPECT_DOUBLE_EQ(fillSliderValueAt(500.0, 140.0), 1.0);
    EXPECT_DOUBLE_EQ(fillSliderValueAt(10.0, 0.0), 0.0);
}

TEST(SliderValues, BalanceSnapsToTheCentreWithinTheDetent) {
    EXPECT_DOUBLE_EQ(panSliderValueAt(50.0, 100.0), 0.0);
    EXPECT_DOUBLE_EQ(panSliderValueAt(51.9, 100.0), 0.0); // 3.8 %
    EXPECT_DOUBLE_EQ(panSliderValueAt(48.1, 100.0), 0.0);
    EXPECT_NEAR(panSliderValueAt(52.5, 100.0), 0.05, 1e-12);
    EXPECT_NEAR(panSliderValueAt(32.5, 100.0), -0.35, 1e-12);
    EXPECT_DOUBLE_EQ(panSliderValueAt(-20.0, 100.0), -1.0);
    EXPECT_DOUBLE_EQ(panSliderValueAt(140.0, 100.0), 1.0);
}

TEST(SliderValues, ThumbStaysOnTheSlider) {
    EXPECT_DOUBLE_EQ(thumbLeft(0.0, 140.0), 0.0);
    EXPECT_DOUBLE_EQ(thumbLeft(70.0, 140.0), 64.0);
    EXPECT_DOUBLE_EQ(thumbLeft(140.0, 140.0), 128.0);
    EXPECT_DOUBLE_EQ(fillWidth(1.5, 140.0), 140.0);
    EXPECT_DOUBLE_EQ(panPosition(-1.0, 100.0), 0.0);
    EXPECT_DOUBLE_EQ(panPosition(0.5, 100.0), 75.0);
}

TEST(SliderValues, FillRunsFromGreenToRed) {
    EXPECT_NEAR(fillColor(0.0).hueF(), 0.34, 0.01);
    EXPECT_NEAR(fillColor(0.5).hueF(), 0.17, 0.01);
    EXPECT_NEAR(fillColor(1.0).hueF(), 0.0, 0.01);
    EXPECT_NEAR(fillColor(1.0).saturationF(), 0.85, 0.01);
}

TEST(SeekBubble, CentreFollowsThePositionInsideTheEnds) {
    EXPECT_DOUBLE_EQ(seekBubbleCenterX(50.0, 200.0, 400.0), 100.0);
    EXPECT_DOUBLE_EQ(seekBubbleCenterX(0.0, 200.0, 400.0), 24.0);
    EXPECT_DOUBLE_EQ(seekBubbleCenterX(200.0, 200.0, 400.0), 376.0);
    EXPECT_DOUBLE_EQ(seekBubbleCenterX(999.0, 200.0, 400.0), 376.0);
}

TEST(SeekBubble, StaysCentredOnABarTooNarrowForItsInsets) {
    EXPECT_DOUBLE_EQ(seekBubbleCenterX(10.0, 20.0, 40.0), 20.0);
    EXPECT_DOUBLE_EQ(seekBubbleCenterX(10.0, 20.0, 0.0), 0.0);
}

TEST(SeekBubble, ShowsTheDraggedPositionOrTheTimeAfterAKeySeek) {
    const auto dragging = seekBubble(true, 75.0, true, 10.0, 300.0, 600.0);
    ASSERT_TRUE(dragging);
    EXPECT_EQ(dragging->text.toStdString(), "1:15");
    EXPECT_DOUBLE_EQ(dragging->centerX, 150.0);

    const auto afterKey = seekBubble(false, 75.0, true, 150.0, 300.0, 600.0);
    ASSERT_TRUE(afterKey);
    EXPECT_EQ(afterKey->text.toStdString(), "2:30");
    EXPECT_DOUBLE_EQ(afterKey->centerX, 300.0);

    EXPECT_FALSE(seekBubble(false, 75.0, false, 150.0, 300.0, 600.0));
    EXPECT_FALSE(seekBubble(true, 75.0, true, 150.0, 0.0, 600.0));
}

TEST(TrackRows, HeightAndNumberColumnFollowTheFontSize) {
    EXPECT_DOUBLE_EQ(trackRowHeight(12.5), 25.5);
    EXPECT_EQ(decimalDigits(0), 1);
    EXPECT_EQ(decimalDigits(99), 2);
    EXPECT_EQ(decimalDigits(100000), 6);
}

TEST(TrackRows, NumberColumnReservesAtLeastTwoDigits) {
    // 5 tracks: room for two digits and the full stop; 100 tracks: three digits.
    EXPECT_DOUBLE_EQ(numberColumnWidth(10.0, 5), 10.0 * 3 * 0.62 + 10.0);
    EXPECT_DOUBLE_EQ(numberColumnWidth(10.0, 99), numberColumnWidth(10.0, 5));
    EXPECT_DOUBLE_EQ(numberColumnWidth(10.0, 100), 10.0 * 4 * 0.62 + 10.0);
}

TEST(DragInsertion, HalfARowDownCountsAsAStep) {
    // Counted before the row is taken out: one row down from 2 is insertion index 4.
    EXPECT_EQ(dragInsertionIndex(2, 12.5, 25.0, 10), 4u);
    EXPECT_EQ(dragInsertionIndex(2, 25.0, 25.0, 10), 4u);
    EXPECT_EQ(dragInsertionIndex(2, 12.4, 25.0, 10), 2u);
    EXPECT_EQ(dragInsertionIndex(2, 0.0, 25.0, 10), 2u);
}

TEST(DragInsertion, UpwardMovesLandOnTheRowAbove) {
    EXPECT_EQ(dragInsertionIndex(5, -12.5, 25.0, 10), 4u);
    EXPECT_EQ(dragInsertionIndex(5, -50.0, 25.0, 10), 3u);
}

TEST(DragInsertion, StopsAtBothEnds) {
    EXPECT_EQ(dragInsertionIndex(0, -1.0, 25.0, 10), 0u);
    EXPECT_EQ(dragInsertionIndex(0, -1000.0, 25.0, 10), 0u);
    EXPECT_EQ(dragInsertionIndex(9, 5000.0, 25.0, 10), 10u);
    EXPECT_EQ(dragInsertionIndex(9, std::numeric_limits<double>::infinity(), 25.0, 10), 10u);
    EXPECT_EQ(dragInsertionIndex(3, std::nan(""), 25.0, 10), 3u);
}

TEST(DropTarget, RoundsToTheNearestGapBetweenRows) {
    EXPECT_EQ(dropTargetAt(0.0, 0.0, 25.0, 10), (DropTarget{0, 0.0}));
    EXPECT_EQ(dropTargetAt(12.4, 0.0, 25.0, 10), (DropTarget{0, 0.0}));
    EXPECT_EQ(dropTargetAt(12.5, 0.0, 25.0, 10), (DropTarget{1, 25.0}));
}

TEST(DropTarget, BottomHalfOfTheLastRowDropsAfterIt) {
    EXPECT_EQ(dropTargetAt(240.0, 0.0, 25.0, 10), (DropTarget{10, 250.0}));
    EXPECT_EQ(dropTargetAt(900.0, 0.0, 25.0, 10), (DropTarget{10, 250.0}));
    EXPECT_EQ(dropTargetAt(-30.0, 0.0, 25.0, 10), (DropTarget{0, 0.0}));
}

TEST(DropTarget, CountsTheScrolledAwayRows) {
    // Scrolled down by 1000 pixels (40 rows): the top of the view is between rows 39 and 40.
    EXPECT_EQ(dropTargetAt(10.0, 1000.0, 25.0, 100), (DropTarget{40, 0.0}));
    EXPECT_EQ(dropTargetAt(30.0, 1000.0, 25.0, 100), (DropTarget{41, 25.0}));
    EXPECT_EQ(dropTargetAt(10.0, 1010.0, 25.0, 100), (DropTarget{41, 15.0}));
}

TEST(RoundedCorner, RoundsOnlyTheListedCorners) {
    const QRectF box(0, 0, 100, 30);
    const QPainterPath tab = roundedCornerPath(box, 6, RectCorner::topLeft | RectCorner::topRight);
    EXPECT_FALSE(tab.contains(QPointF(0.5, 0.5)));
    EXPECT_FALSE(tab.contains(QPointF(99.5, 0.5)));
    EXPECT_TRUE(tab.contains(QPointF(0.5, 29.5)));
    EXPECT_TRUE(tab.contains(QPointF(99.5, 29.5)));
    EXPECT_TRUE(tab.contains(QPointF(3, 3)));
    EXPECT_EQ(tab.boundingRect(), box);

    const QPainterPath square = roundedCornerPath(box, 6, {});
    EXPECT_TRUE(square.contains(QPointF(0.5, 0.5)));
    const QPainterPath bottom = roundedCornerPath(box, 6, RectCorner::bottomRight);
    EXPECT_FALSE(bottom.contains(QPointF(99.5, 29.5)));
    EXPECT_TRUE(bottom.contains(QPointF(0.5, 29.5)));
}

} // namespace
} // namespace orvane
