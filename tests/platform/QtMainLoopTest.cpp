#include "platform/QtMainLoop.h"

#include <memory>
#include <optional>
#include <thread>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// Generous: these waits end as soon as their condition holds.
constexpr int kTimeoutMs = 10'000;

class QtMainLoopTest : public ::testing::Test {
protected:
    QtMainLoopTest() {
        static int argc = 1;
        static char name[] = "orvane_platform_tests";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            static QCoreApplication app(argc, argv);
        loop = std::make_unique<QtMainLoop>(); // after the application
    }
    std::unique_ptr<QtMainLoop> loop;
};

TEST_F(QtMainLoopTest, PostFromAnotherThreadRunsOnTheMainThreadInOrder) {
    QThread* const mainThread = QThread::currentThread();
    std::vector<int> order;
    bool allOnMain = true;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            loop->post([&, i] {
                allOnMain = allOnMain && QThread::currentThread() == mainThread;
                order.push_back(i);
            });
    });
    worker.join();

    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == 100; }, kTimeoutMs));
    EXPECT_TRUE(allOnMain);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(order[static_cast<std::size_t>(i)], i);
}

TEST_F(QtMainLoopTest, TimersFireAfterTheirDelayAndRepeatUntilCancelled) {
    bool droppedFired = false;
    (void)loop->runAfter(0, [&] { droppedFired = true; }); // its handle dies at once
    const double start = loop->now();
    double firedAt = -1;
    auto once = loop->runAfter(0.02, [&] { firedAt = loop->now(); });
    EXPECT_TRUE(once.isActive());

    int repeats = 0;
    TimerHandle every;
    every = loop->runEvery(0.005, [&] {
        if (++repeats == 3)
            every = TimerHandle(); // dropped inside its own callback
    });

    ASSERT_TRUE(QTest::qWaitFor([&] { return firedAt >= 0 && repeats >= 3; }, kTimeoutMs));
    EXPECT_GE(firedAt - start, 0.019);
    EXPECT_FALSE(once.isActive());

    // A later timer proves the loop kept running long enough for a stray repeat.
    bool later = false;
    auto marker = loop->runAfter(0.03, [&] { later = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return later; }, kTimeoutMs));
    EXPECT_EQ(repeats, 3);
    EXPECT_FALSE(droppedFired);
}

TEST_F(QtMainLoopTest, WorkPendingWhenTheLoopDiesIsDroppedSafely) {
    auto captured = std::make_shared<int>(0);
    bool ran = false;
    loop->post([&ran, captured] { ran = true; });
    std::thread([&] { loop->post([&ran, captured] { ran = true; }); }).join();
    auto timer = loop->runAfter(0, [&ran, captured] { ran = true; });

    loop.reset();
    timer.cancel(); // the handle outlived its loop

    // Let the event loop deliver anything that might still be queued.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(ran);
    EXPECT_EQ(captured.use_count(), 1);
}

} // namespace
} // namespace orvane
