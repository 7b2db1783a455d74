#include "ui/PlaylistGeometry.h"
#include "ui/RoundedCorner.h"
#include "ui/SliderMath.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(SliderValues, FollowThePointerWithinBoundsAndBalanceSnapsToTheCentre) {
    EXPECT_DOUBLE_EQ(fillSliderValueAt(-10.0, 140.0), 0.0);
    EXPECT_DOUBLE_EQ(fillSliderValueAt(10.0, 0.0), 0.0);
    EXPECT_DOUBLE_EQ(panSliderValueAt(51.9, 100.0), 0.0); // 3.8 %
    EXPECT_DOUBLE_EQ(panSliderValueAt(48.1, 100.0), 0.0);
    EXPECT_NEAR(panSliderValueAt(52.5, 100.0), 0.05, 1e-12);
    EXPECT_NEAR(panSliderValueAt(32.5, 100.0), -0.35, 1e-12);
    EXPECT_DOUBLE_EQ(panSliderValueAt(-20.0, 100.0), -1.0);
    EXPECT_DOUBLE_EQ(panSliderValueAt(140.0, 100.0), 1.0);

    // The thumb and the fill stay on the slider.
    EXPECT_DOUBLE_EQ(thumbLeft(0.0, 140.0), 0.0);
    EXPECT_DOUBLE_EQ(thumbLeft(140.0, 140.0), 128.0);
    EXPECT_DOUBLE_EQ(fillWidth(1.5, 140.0), 140.0);
    EXPECT_DOUBLE_EQ(panPosition(-1.0, 100.0), 0.0);
    EXPECT_DOUBLE_EQ(panPosition(0.5, 100.0), 75.0);
}

TEST(SeekBubble, FollowsThePositionInsideTheEndsAndShowsOnlyWhileSeeking) {
    EXPECT_DOUBLE_EQ(seekBubbleCenterX(50.0, 200.0, 400.0), 100.0);
    EXPECT_DOUBLE_EQ(seekBubbleCenterX(0.0, 200.0, 400.0), 24.0);
    EXPECT_DOUBLE_EQ(seekBubbleCenterX(999.0, 200.0, 400.0), 376.0);
    // A bar too narrow for the insets keeps it centred.
    EXPECT_DOUBLE_EQ(seekBubbleCenterX(10.0, 20.0, 40.0), 20.0);
    EXPECT_DOUBLE_EQ(seekBubbleCenterX(10.0, 20.0, 0.0), 0.0);

    EXPECT_FALSE(seekBubble(false, 75.0, false, 150.0, 300.0, 600.0));
    EXPECT_FALSE(seekBubble(true, 75.0, true, 150.0, 0.0, 600.0)); // nothing with a length
}

TEST(TrackRows, NumberColumnReservesAtLeastTwoDigits) {
    EXPECT_EQ(decimalDigits(0), 1);
    EXPECT_EQ(decimalDigits(99), 2);
    EXPECT_EQ(decimalDigits(100000), 6);
    // 5 tracks: room for two digits and the full stop; 100 tracks: three digits.
    EXPECT_DOUBLE_EQ(numberColumnWidth(10.0, 5), 10.0 * 3 * 0.62 + 10.0);
    EXPECT_DOUBLE_EQ(numberColumnWidth(10.0, 99), numberColumnWidth(10.0, 5));
    EXPECT_DOUBLE_EQ(numberColumnWidth(10.0, 100), 10.0 * 4 * 0.62 + 10.0);
}

TEST(DragInsertion, HalfARowIsAStepAndTheEndsHold) {
    // Counted before the row is taken out: one row down from 2 is insertion index 4.
    const struct {
        std::size_t from;
        double dy;
        std::size_t to;
    } cases[] = {{2, 25.0, 4},        {2, 12.4, 2},
                 {2, 0.0, 2},         {5, -12.5, 4},
                 {5, -50.0, 3},       {0, -1000.0, 0},
                 {9, 5000.0, 10},     {9, std::numeric_limits<double>::infinity(), 10},
                 {3, std::nan(""), 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " moved by " << c.dy);
        EXPECT_EQ(dragInsertionIndex(c.from, c.dy, 25.0, 10), c.to);
    }
}

TEST(DropTarget, RoundsToTheNearestGapAndCountsTheScrolledAwayRows) {
    EXPECT_EQ(dropTargetAt(12.4, 0.0, 25.0, 10), (DropTarget{0, 0.0}));
    EXPECT_EQ(dropTargetAt(12.5, 0.0, 25.0, 10), (DropTarget{1, 25.0}));
    EXPECT_EQ(dropTargetAt(900.0, 0.0, 25.0, 10), (DropTarget{10, 250.0}));
    EXPECT_EQ(dropTargetAt(-30.0, 0.0, 25.0, 10), (DropTarget{0, 0.0}));
    // Scrolled down by 1000 pixels (40 rows): the top of the view is between rows 39 and 40.
    EXPECT_EQ(dropTargetAt(10.0, 1000.0, 25.0, 100), (DropTarget{40, 0.0}));
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
    EXPECT_TRUE(roundedCornerPath(box, 6, {}).contains(QPointF(0.5, 0.5)));
    const QPainterPath bottom = roundedCornerPath(box, 6, RectCorner::bottomRight);
    EXPECT_FALSE(bottom.contains(QPointF(99.5, 29.5)));
    EXPECT_TRUE(bottom.contains(QPointF(0.5, 29.5)));
}

} // namespace
} // namespace orvane
