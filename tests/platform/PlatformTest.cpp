// The platform glue: the Qt main loop, and the interleaving render the sound server pulls.

#include "platform/InterleavedRender.h"
#include "platform/QtMainLoop.h"

#include <cstddef>
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

// Left carries the running frame number, right its negative, so that any lost,
// repeated or swapped sample shows.
class CountingSource final : public RenderSource {
public:
    void render(float* left, float* right, std::size_t frames) noexcept override {
        calls.push_back(frames);
        for (std::size_t i = 0; i < frames; ++i, ++next) {
            left[i] = static_cast<float>(next);
            right[i] = -static_cast<float>(next);
        }
    }
    std::vector<std::size_t> calls;
    std::size_t next = 0;
};

TEST(InterleavedRender, InterleavesLeftThenRightInChunksOfTheScratchSizeAcrossRequests) {
    InterleavedRender renderer(4);
    CountingSource source;
    std::vector<float> out(2 * 10 + 1, 99.0f);
    renderer.render(source, out.data(), 0);
    EXPECT_TRUE(source.calls.empty());
    renderer.render(source, out.data(), 10);

    EXPECT_EQ(source.calls, (std::vector<std::size_t>{4, 4, 2}));
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(out[2 * i], static_cast<float>(i)) << "frame " << i;
        EXPECT_EQ(out[2 * i + 1], -static_cast<float>(i)) << "frame " << i;
    }
    EXPECT_EQ(out[20], 99.0f) << "wrote past the request";

    // The next request goes on where the last one stopped.
    renderer.render(source, out.data(), 3);
    EXPECT_EQ(source.calls.back(), 3u);
    EXPECT_EQ(out[0], 10.0f);
    EXPECT_EQ(out[5], -12.0f);
}

} // namespace
} // namespace orvane
