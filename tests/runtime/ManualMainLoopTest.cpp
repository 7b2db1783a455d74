#include "runtime/ManualMainLoop.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

using Entry = std::pair<std::string, double>;

class ManualMainLoopTest : public ::testing::Test {
protected:
    // A task that logs its name and the virtual time it ran at.
    MainLoop::Task record(std::string name) {
        return [this, name = std::move(name)] {
            log.emplace_back(name, loop.now());
        };
    }

    ManualMainLoop loop;
    std::vector<Entry> log;
};

TEST_F(ManualMainLoopTest, RunsPostsThenTimersInDueOrderAtTheirDueTime) {
    auto late = loop.runAfter(0.3, record("late"));
    auto tieA = loop.runAfter(0.2, record("tieA"));
    auto tieB = loop.runAfter(0.2, record("tieB"));
    auto beyond = loop.runAfter(0.5, record("beyond"));
    TimerHandle chained;
    auto first = loop.runAfter(0.1, [&] {
        log.emplace_back("first", loop.now());
        loop.post(record("postedByFirst"));
        chained = loop.runAfter(0.1, record("chained"));
    });
    loop.post([&] { loop.post(record("postedByPost")); });

    // Due work runs without time moving; work posted by a post runs too.
    loop.runPending();
    EXPECT_EQ(log, (std::vector<Entry>{{"postedByPost", 0.0}}));
    EXPECT_EQ(loop.now(), 0.0);

    log.clear();
    loop.advance(0.4);
    EXPECT_EQ(log, (std::vector<Entry>{{"first", 0.1},
                                       {"postedByFirst", 0.1},
                                       {"tieA", 0.2},
                                       {"tieB", 0.2},
                                       {"chained", 0.2},
                                       {"late", 0.3}}));
    EXPECT_EQ(loop.now(), 0.4);
    EXPECT_TRUE(beyond.isActive());
    EXPECT_EQ(loop.pendingTimerCount(), 1u);
}

TEST_F(ManualMainLoopTest, RepeatingTimerKeepsExactPhaseOverLongAndChoppyAdvances) {
    std::vector<double> times;
    loop.advance(0.05);
    auto tick = loop.runEvery(0.2, [&] { times.push_back(loop.now()); });
    loop.advance(100.0);
    ASSERT_EQ(times.size(), 500u);
    EXPECT_DOUBLE_EQ(times.back(), 100.05);
    // Steps of 0.1 do not sum to 0.2 in binary floating point; the loop must not drift.
    for (int i = 0; i < 10; ++i)
        loop.advance(0.1);
    EXPECT_EQ(times.size(), 505u);
}

TEST_F(ManualMainLoopTest, HandlesCancelWhenDestroyedReplacedOrCancelledFromACallback) {
    int fired = 0;
    {
        auto dropped = loop.runAfter(0.1, [&] { ++fired; });
    }
    auto replaced = loop.runEvery(0.1, [&] { ++fired; });
    replaced = loop.runAfter(1.0, [&] { fired += 100; });

    int selfCancelled = 0;
    TimerHandle repeating;
    repeating = loop.runEvery(0.1, [&] {
        if (++selfCancelled == 3)
            repeating.cancel();
    });
    // A timer due at the same instant, cancelled by the one before it.
    int victimFired = 0;
    TimerHandle victim;
    auto killer = loop.runAfter(0.5, [&] { victim.cancel(); });
    victim = loop.runAfter(0.5, [&] { ++victimFired; });

    loop.advance(2.0);
    EXPECT_EQ(fired, 100);
    EXPECT_EQ(selfCancelled, 3);
    EXPECT_FALSE(repeating.isActive());
    EXPECT_EQ(victimFired, 0);
    EXPECT_EQ(loop.pendingTimerCount(), 0u);
}

} // namespace
} // namespace orvane
