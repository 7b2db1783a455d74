#include "EngineTestSupport.h"
#include "engine/host/NullOutput.h"

#include <atomic>
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

// The output used without a sound server renders whole periods on its own thread; every
// start, even of a running output, renders at least one, and stopping twice is fine.
TEST(ThreadedHostTest, TheNullOutputRendersWholePeriodsOnItsOwnThreadUntilStopped) {
    struct CountingSource final : RenderSource {
        void render(float* left, float* right, std::size_t frames) noexcept override {
            left[frames - 1] = right[frames - 1] = 0.0f;
            rendered.fetch_add(frames);
            thread.store(std::this_thread::get_id());
        }
        std::atomic<std::size_t> rendered{0};
        std::atomic<std::thread::id> thread{};
    } source;
    NullOutput output(48000.0, 480);
    EXPECT_TRUE(output.start(source));
    EXPECT_TRUE(output.isRunning());
    output.stop();
    EXPECT_FALSE(output.isRunning());
    const auto frames = source.rendered.load();
    EXPECT_GE(frames, 480u);
    EXPECT_EQ(frames % 480, 0u);
    EXPECT_EQ(output.framesRendered(), frames);
    EXPECT_NE(source.thread.load(), std::this_thread::get_id());

    output.start(source);
    output.start(source);
    output.stop();
    output.stop();
    EXPECT_FALSE(output.isRunning());
    EXPECT_GE(source.rendered.load(), frames + 2 * 480u);
}

} // namespace
} // namespace orvane::test
