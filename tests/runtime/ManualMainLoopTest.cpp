#include "runtime/ManualMainLoop.h"

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// What ran, and the virtual time it saw.
struct Log {
    std::vector<std::pair<std::string, double>> entries;
    ManualMainLoop* loop = nullptr;

    MainLoop::Task record(std::string name) {
        return [this, name = std::move(name)] {
            entries.emplace_back(name, loop->now());
        };
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& entry : entries)
            out.push_back(entry.first);
        return out;
    }
};

class ManualMainLoopTest : public ::testing::Test {
protected:
    ManualMainLoopTest() { log.loop = &loop; }
    ManualMainLoop loop;
    Log log;
};

TEST_F(ManualMainLoopTest, TimersFireInDueOrderWithTheirDueTimeAsNow) {
    auto late = loop.runAfter(0.3, log.record("late"));
    auto early = loop.runAfter(0.1, log.record("early"));
    auto tieA = loop.runAfter(0.2, log.record("tieA"));
    auto tieB = loop.runAfter(0.2, log.record("tieB"));
    auto beyond = loop.runAfter(0.5, log.record("beyond"));

    loop.advance(0.4);

    using E = std::pair<std::string, double>;
    EXPECT_EQ(log.entries,
              (std::vector<E>{{"early", 0.1}, {"tieA", 0.2}, {"tieB", 0.2}, {"late", 0.3}}));
    EXPECT_EQ(loop.now(), 0.4);
    EXPECT_TRUE(beyond.isActive());
    EXPECT_FALSE(early.isActive());
}

TEST_F(ManualMainLoopTest, PostsRunBeforeLaterTimersAndCallbackWorkWithinTheIntervalRuns) {
    TimerHandle chained;
    auto first = loop.runAfter(0.1, [&] {
        log.entries.emplace_back("first", loop.now());
        loop.post(log.record("postedByFirst"));
        chained = loop.runAfter(0.1, log.record("chained"));
    });
    auto second = loop.runAfter(0.15, log.record("second"));
    loop.post(log.record("posted"));

    loop.advance(0.2);

    EXPECT_EQ(log.names(),
              (std::vector<std::string>{"posted", "first", "postedByFirst", "second", "chained"}));
    EXPECT_DOUBLE_EQ(log.entries[2].second, 0.1);
    EXPECT_DOUBLE_EQ(log.entries.back().second, 0.2);
}

TEST_F(ManualMainLoopTest, RunPendingRunsDueWorkWithoutMovingTime) {
    auto now = loop.runAfter(0, log.record("zeroDelay"));
    auto later = loop.runAfter(0.001, log.record("later"));
    loop.post([&] { loop.post(log.record("postedByPost")); });

    loop.runPending();

    EXPECT_EQ(log.names(), (std::vector<std::string>{"postedByPost", "zeroDelay"}));
    EXPECT_EQ(loop.now(), 0.0);
    EXPECT_EQ(loop.pendingTimerCount(), 1u);
}

TEST_F(ManualMainLoopTest, RepeatingTimerKeepsExactPhaseOverLongAndChoppyAdvances) {
    std::vector<double> times;
    loop.advance(0.05);
    auto tick = loop.runEvery(0.2, [&] { times.push_back(loop.now()); });

    loop.advance(100.0);
    ASSERT_EQ(times.size(), 500u);
    EXPECT_DOUBLE_EQ(times.back(), 100.05);
    EXPECT_DOUBLE_EQ(times[249], 50.05);

    // Steps of 0.1 do not sum to 0.2 in binary floating point; the loop must not drift.
    times.clear();
    for (int i = 0; i < 10; ++i)
        loop.advance(0.1);
    EXPECT_EQ(times.size(), 5u);
}

TEST_F(ManualMainLoopTest, DestroyingOrReplacingAHandleCancelsItsTimer) {
    int fired = 0;
    {
        auto dropped = loop.runAfter(0.1, [&] { ++fired; });
    }
    auto replaced = loop.runEvery(0.1, [&] { ++fired; });
    replaced = loop.runAfter(1.0, [&] { fired += 100; });
    EXPECT_EQ(loop.pendingTimerCount(), 1u);

    loop.advance(2.0);
    EXPECT_EQ(fired, 100);
    EXPECT_EQ(loop.pendingTimerCount(), 0u);
}

TEST_F(ManualMainLoopTest, CallbacksMayCancelThemselvesAndOthers) {
    int selfCancelled = 0;
    TimerHandle repeating;
    repeating = loop.runEvery(0.1, [&] {
        if (++selfCancelled == 3)
            repeating.cancel();
    });

    // A handle owned by the state its own callback destroys.
    int destroyedFired = 0;
    auto owner = std::make_unique<std::optional<TimerHandle>>();
    *owner = loop.runEvery(0.1, [&] {
        ++destroyedFired;
        owner.reset();
    });

    // A timer due at the same instant, cancelled by the one before it.
    int victimFired = 0;
    TimerHandle victim;
    auto killer = loop.runAfter(0.5, [&] { victim.cancel(); });
    victim = loop.runAfter(0.5, [&] { ++victimFired; });

    loop.advance(1.0);
    EXPECT_EQ(selfCancelled, 3);
    EXPECT_FALSE(repeating.isActive());
    EXPECT_EQ(destroyedFired, 1);
    EXPECT_EQ(victimFired, 0);
}

TEST(ManualMainLoop, HandlesOutliveTheLoopAndCallbacksAreReleasedWithIt) {
    auto captured = std::make_shared<int>(0);
    TimerHandle handle;
    {
        ManualMainLoop loop;
        handle = loop.runEvery(1.0, [captured] {});
        loop.post([captured] {});
    }
    EXPECT_EQ(captured.use_count(), 1);
    EXPECT_FALSE(handle.isActive());
    handle.cancel();
}

TEST_F(ManualMainLoopTest, PostsFromOtherThreadsArePickedUpInOrder) {
    std::vector<int> seen;
    std::thread worker([&] {
        for (int i = 0; i < 1000; ++i)
            loop.post([&seen, i] { seen.push_back(i); });
    });
    worker.join();

    loop.runPending();
    ASSERT_EQ(seen.size(), 1000u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(seen[static_cast<std::size_t>(i)], i);
}

TEST_F(ManualMainLoopTest, LifetimeGuardDropsCallbacksOnceItsOwnerIsGone) {
    int delivered = 0;
    auto owner = std::make_unique<LifetimeGuard>();
    auto deliver = owner->wrap([&](int amount) { delivered += amount; });
    deliver(1);
    loop.post([deliver]() mutable { deliver(10); });
    owner.reset();

    loop.runPending();
    deliver(100);
    EXPECT_EQ(delivered, 1);
}

} // namespace
} // namespace orvane
