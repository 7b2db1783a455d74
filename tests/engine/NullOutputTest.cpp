#include "engine/host/NullOutput.h"

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

namespace orvane {
namespace {

class CountingSource final : public RenderSource {
public:
    void render(float* left, float* right, std::size_t frames) noexcept override {
        left[frames - 1] = 0.0f;
        right[frames - 1] = 0.0f;
        frames_.fetch_add(frames);
        thread_.store(std::this_thread::get_id());
    }
    std::atomic<std::size_t> frames_{0};
    std::atomic<std::thread::id> thread_{};
};

TEST(NullOutputTest, RendersWholePeriodsOnItsOwnThreadUntilStoppedAndRestarts) {
    NullOutput output(48000.0, 480);
    CountingSource source;
    EXPECT_FALSE(output.isRunning());
    EXPECT_TRUE(output.start(source));
    EXPECT_TRUE(output.isRunning());
    output.stop();
    EXPECT_FALSE(output.isRunning());
    // Every start renders at least one period, never on the caller's thread.
    const auto frames = source.frames_.load();
    EXPECT_GE(frames, 480u);
    EXPECT_EQ(frames % 480, 0u);
    EXPECT_EQ(output.framesRendered(), frames);
    EXPECT_NE(source.thread_.load(), std::this_thread::get_id());
    EXPECT_EQ(output.latencyFrames(), 480);
    EXPECT_FALSE(output.selectDevice(3u));
    EXPECT_TRUE(output.selectDevice(std::nullopt));

    // Each start, even of a running output, renders at least a period; stop twice is fine.
    output.start(source);
    output.start(source);
    output.stop();
    output.stop();
    EXPECT_FALSE(output.isRunning());
    EXPECT_GE(source.frames_.load(), frames + 2 * 480u);
}

} // namespace
} // namespace orvane
