#include "runtime/SerialQueue.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(SerialQueue, RunsTasksOneAtATimeInFifoOrderPerProducer) {
    constexpr int kProducers = 4;
    constexpr int kTasks = 500;
    std::vector<std::vector<int>> seen(kProducers); // only the worker writes
    std::atomic<int> inFlight{0};
    std::atomic<bool> overlapped{false};

    SerialQueue queue;
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < kTasks; ++i) {
                queue.async([&, p, i] {
                    if (inFlight.fetch_add(1) != 0)
                        overlapped = true;
                    seen[static_cast<std::size_t>(p)].push_back(i);
                    inFlight.fetch_sub(1);
                });
            }
        });
    }
    for (auto& producer : producers)
        producer.join();
    queue.waitUntilIdle();

    EXPECT_FALSE(overlapped);
    for (const auto& sequence : seen) {
        ASSERT_EQ(sequence.size(), static_cast<std::size_t>(kTasks));
        for (int i = 0; i < kTasks; ++i)
            ASSERT_EQ(sequence[static_cast<std::size_t>(i)], i);
    }
}

// Runs a function when the last copy of it is destroyed: tells the test that a task
// the queue held has been thrown away.
struct OnDestroy {
    std::function<void()> run;
    ~OnDestroy() { run(); }
};

TEST(SerialQueue, DestructorDiscardsPendingTasksAndWaitsForTheRunningOne) {
    std::promise<void> started;
    std::promise<void> discarded;
    auto discardedFuture = discarded.get_future();
    std::atomic<int> ranAfterBlocker{0};
    bool blockerFinished = false;
    bool discardSeenInTime = false;
    {
        SerialQueue queue;
        queue.async([&] {
            started.set_value();
            // The guard only turns a broken destructor into a failure instead of a hang.
            discardSeenInTime =
                discardedFuture.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
            blockerFinished = true;
        });
        auto marker = std::make_shared<OnDestroy>();
        marker->run = [&] {
            discarded.set_value();
        };
        queue.async([marker, &ranAfterBlocker] { ++ranAfterBlocker; });
        marker.reset();
        started.get_future().wait();
    }
    EXPECT_TRUE(discardSeenInTime);
    EXPECT_TRUE(blockerFinished);
    EXPECT_EQ(ranAfterBlocker, 0);
}

TEST(SerialQueue, CancelPendingAndThrowingTasksLeaveTheWorkerRunning) {
    SerialQueue queue;
    std::promise<void> started;
    std::promise<void> release;
    std::vector<int> ran; // the worker writes, the test reads after waitUntilIdle
    queue.async([&] {
        started.set_value();
        release.get_future().wait();
        ran.push_back(1);
    });
    queue.async([&] { ran.push_back(2); });
    started.get_future().wait();

    queue.cancelPending(); // drops 2, keeps the running 1
    release.set_value();
    queue.async([] { throw std::runtime_error("unreadable file"); });
    queue.async([] { throw 42; });
    queue.async([&] { ran.push_back(3); });
    queue.waitUntilIdle();
    EXPECT_EQ(ran, (std::vector<int>{1, 3}));
}

} // namespace
} // namespace orvane
