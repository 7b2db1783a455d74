#include "EngineTestSupport.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

// The production arrangement: the decoder on its own thread, completions handed over
// through MainLoop::post. The test only waits for outcomes that must come (it yields
// rather than sleeps, and the deadline is far beyond any real need).
TEST(ThreadedHostTest, PlaysQueuedRegionsThroughWithCompletionsOnTheMainThread) {
    ManualMainLoop loop;
    auto output = std::make_unique<ManualOutput>(48000.0);
    auto* manual = output.get();
    AudioEngine engine(loop, std::move(output)); // decoder thread on
    const auto mainThread = std::this_thread::get_id();
    int promoted = 0;
    int ended = 0;
    engine.onGaplessPromotion = [&](const Uuid&) {
        EXPECT_EQ(std::this_thread::get_id(), mainThread);
        ++promoted;
    };
    engine.onTrackEnded = [&] {
        EXPECT_EQ(std::this_thread::get_id(), mainThread);
        ++ended;
    };
    engine.load(engineFixture("short.wav"), Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    ASSERT_TRUE(
        engine.preloadNext(engineFixture("full.wav"), Uuid::random(), 3.5, std::nullopt, 1.0));

    std::vector<float> left(480);
    std::vector<float> right(480);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (ended == 0 && std::chrono::steady_clock::now() < deadline) {
        manual->pull(left.data(), right.data(), left.size());
        loop.runPending();
        std::this_thread::yield();
    }
    EXPECT_EQ(promoted, 1);
    EXPECT_EQ(ended, 1);
    EXPECT_DOUBLE_EQ(engine.currentTime, 4.0);
}

} // namespace
} // namespace orvane::test
