#include "app/AfterFirstPaint.h"

#include "ui/UiTestSupport.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

class AfterFirstPaintTest : public QtAppTest {};

// The work a start defers (the library scan) runs once the window has painted, once
// only, and all the same for a window that never paints (started minimised).
TEST_F(AfterFirstPaintTest, RunsOnceAfterTheFirstPaintAndWithoutOneAllTheSame) {
    QWidget shown;
    int shownRuns = 0;
    AfterFirstPaint::install(shown, [&] { ++shownRuns; });
    QWidget neverShown;
    int unpaintedRuns = 0;
    AfterFirstPaint::install(neverShown, [&] { ++unpaintedRuns; });

    shown.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownRuns == 1; }, 5000));
    shown.repaint();
    EXPECT_TRUE(QTest::qWaitFor([&] { return unpaintedRuns == 1; }, 5000));
    EXPECT_EQ(shownRuns, 1);
}

} // namespace
} // namespace orvane::test
