#include "engine/analysis/MeterExchange.h"

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// Feeds the exchange a ramp: frame f carries f on the left and -f on the right, so a
// copy shows exactly which frames it holds.
class RampFeeder {
public:
    explicit RampFeeder(MeterExchange& exchange) : exchange_(exchange) {}
    void feed(std::size_t frames) {
        left_.resize(frames);
        right_.resize(frames);
        for (std::size_t i = 0; i < frames; ++i) {
            left_[i] = static_cast<float>(next_ + static_cast<std::int64_t>(i));
            right_[i] = -left_[i];
        }
        exchange_.capture(left_.data(), right_.data(), frames);
        next_ += static_cast<std::int64_t>(frames);
    }
    void feedBlocks(std::size_t total, std::size_t block) {
        for (std::size_t done = 0; done < total; done += block)
            feed(std::min(block, total - done));
    }

private:
    MeterExchange& exchange_;
    std::int64_t next_ = 0;
    std::vector<float> left_, right_;
};

struct Copy {
    MeterSnapshot snapshot;
    std::vector<float> left = std::vector<float>(8192, -1e9f);
    std::vector<float> right = std::vector<float>(8192, -1e9f);
    float first() const { return left[0]; }
    float last() const { return left[snapshot.frames - 1]; }
};

Copy copyHeard(MeterExchange& exchange, std::int64_t latency, std::size_t window = 4096) {
    Copy copy;
    copy.snapshot = exchange.copyHeard(latency, copy.left.data(), copy.right.data(), window);
    return copy;
}

// Every frame of the copy follows the one before, on both sides.
void expectUnbroken(const Copy& copy) {
    for (std::size_t i = 0; i < copy.snapshot.frames; ++i) {
        ASSERT_EQ(copy.left[i], copy.first() + static_cast<float>(i)) << "frame " << i;
        ASSERT_EQ(copy.right[i], -copy.left[i]) << "frame " << i;
    }
}

TEST(MeterExchange, TheWindowEndsWhereTheListenerIsAndNothingShowsBeforeTheFirstFrame) {
    MeterExchange exchange;
    EXPECT_EQ(copyHeard(exchange, 0).snapshot.frames, 0u);
    RampFeeder feeder(exchange);
    feeder.feed(1000);
    EXPECT_EQ(copyHeard(exchange, 1000).snapshot.frames, 0u); // all still on its way
    feeder.feed(2000);
    Copy copy = copyHeard(exchange, 1000);
    ASSERT_EQ(copy.snapshot.frames, 2000u);
    EXPECT_EQ(copy.first(), 0);
    expectUnbroken(copy);

    feeder.feedBlocks(7000, 1024);
    // 100 ms at 44.1 kHz: the newest 4410 frames are still on their way.
    copy = copyHeard(exchange, 4410);
    ASSERT_EQ(copy.snapshot.frames, 4096u);
    EXPECT_EQ(copy.snapshot.channels, 2);
    EXPECT_EQ(copy.last(), 10000 - 4410 - 1);
    expectUnbroken(copy);
    EXPECT_EQ(copyHeard(exchange, 0).last(), 9999);

    exchange.clear(); // forgets what was captured
    EXPECT_EQ(copyHeard(exchange, 0).snapshot.frames, 0u);
    feeder.feed(500);
    copy = copyHeard(exchange, 0);
    ASSERT_EQ(copy.snapshot.frames, 500u);
    EXPECT_EQ(copy.first(), 10000);
}

TEST(MeterExchange, TheRingWrapsAndBoundsWhatItKeeps) {
    MeterExchange exchange(8192);
    ASSERT_EQ(exchange.ringFrames(), 8192u);
    RampFeeder feeder(exchange);
    feeder.feedBlocks(20000, 777);
    for (std::int64_t latency : {0, 1000, 3000}) {
        const Copy copy = copyHeard(exchange, latency);
        ASSERT_EQ(copy.snapshot.frames, 4096u);
        EXPECT_EQ(copy.last(), static_cast<float>(20000 - latency - 1));
        expectUnbroken(copy);
    }
    // A latency the ring cannot follow shows the oldest full window it still has.
    Copy copy = copyHeard(exchange, 100000);
    EXPECT_EQ(copy.first(), 20000 - 8192);
    expectUnbroken(copy);
    // A block longer than the ring leaves its newest frames.
    feeder.feed(10000);
    copy = copyHeard(exchange, 0);
    EXPECT_EQ(copy.first(), 30000 - 4096);
    expectUnbroken(copy);
}

// The audio thread never waits: a block that meets a busy lock is dropped and the
// frame count still moves on. A window never spans the latest hole: it keeps the
// side the listener is on.
TEST(MeterExchange, ABusyLockSkipsTheBlockAndNoWindowSpansIt) {
    MeterExchange exchange;
    RampFeeder feeder(exchange);
    feeder.feed(5000);
    {
        const auto busy = exchange.holdLockForTesting();
        feeder.feed(1000); // frames 5000..5999
    }
    EXPECT_EQ(exchange.skippedBlocks(), 1u);
    EXPECT_EQ(exchange.framesCaptured(), 6000);
    feeder.feed(1500);
    EXPECT_EQ(exchange.framesCaptured(), 7500);

    Copy copy = copyHeard(exchange, 0); // after the hole
    ASSERT_EQ(copy.snapshot.frames, 1500u);
    EXPECT_EQ(copy.first(), 6000);
    expectUnbroken(copy);

    copy = copyHeard(exchange, 2000); // the listener is inside the hole
    ASSERT_EQ(copy.snapshot.frames, 4096u);
    EXPECT_EQ(copy.last(), 4999);
    expectUnbroken(copy);
}

// Holes older than the latest end the window too: a copy never shows a hole's
// silence, nor stale frames from a ring ago, wherever the listener is.
TEST(MeterExchange, OlderHolesEndTheWindowToo) {
    MeterExchange exchange(8192);
    RampFeeder feeder(exchange);
    feeder.feedBlocks(20000, 1000);
    auto skip = [&] {
        const auto busy = exchange.holdLockForTesting();
        feeder.feed(100);
    };
    skip();            // 20000..20099
    feeder.feed(1000); // 20100..21099
    skip();            // 21100..21199
    feeder.feed(1000); // 21200..22199

    Copy copy = copyHeard(exchange, 1100); // ends at 21100, before the latest hole
    ASSERT_EQ(copy.snapshot.frames, 1000u);
    EXPECT_EQ(copy.first(), 20100);
    expectUnbroken(copy);

    copy = copyHeard(exchange, 2150); // the listener is inside the older hole
    ASSERT_EQ(copy.snapshot.frames, 4096u);
    EXPECT_EQ(copy.last(), 19999);
    expectUnbroken(copy);
}

// A real audio thread against the main thread's copies. Whatever the interleaving,
// each copy must be one unbroken run of the ramp (never half of an old block and half
// of a new one), and every frame is counted, captured or skipped.
TEST(MeterExchange, ConcurrentCopiesAreNeverTorn) {
    MeterExchange exchange(16384);
    constexpr std::int64_t kBlocks = 4000;
    constexpr std::size_t kBlock = 256;
    constexpr std::int64_t kTotal = kBlocks * static_cast<std::int64_t>(kBlock);
    std::thread audio([&exchange] {
        RampFeeder feeder(exchange);
        for (std::int64_t i = 0; i < kBlocks; ++i)
            feeder.feed(kBlock);
    });
    for (int copies = 0; copies < 500 || exchange.framesCaptured() < kTotal / 2; ++copies) {
        const Copy copy = copyHeard(exchange, 512);
        if (copy.snapshot.frames > 0)
            expectUnbroken(copy);
        if (::testing::Test::HasFatalFailure() || exchange.framesCaptured() == kTotal)
            break;
    }
    audio.join();
    EXPECT_EQ(exchange.framesCaptured(), kTotal);
}

} // namespace
} // namespace orvane
