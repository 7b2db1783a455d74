#include "media/FramePlacer.h"

#include <gtest/gtest.h>

namespace orvane::media {
namespace {

constexpr std::int64_t kMaxJump = 88200;

TEST(FramePlacer, PrimingBeforeZeroAndPaddingAfterTheEndAreDropped) {
    FramePlacer placer(kMaxJump);
    placer.setEnd(2500);
    placer.sync(0);
    Placement p = placer.place(-1024, 1024); // priming: wholly before 0
    EXPECT_EQ(p.take, 0);
    EXPECT_FALSE(p.late);
    p = placer.place(-24, 1024);
    EXPECT_EQ(p.skip, 24);
    EXPECT_EQ(p.take, 1000);
    p = placer.place(1000, 1024);
    EXPECT_EQ(p.take, 1024);
    p = placer.place(2024, 1024); // runs past the end
    EXPECT_EQ(p.skip, 0);
    EXPECT_EQ(p.take, 476);
    EXPECT_TRUE(placer.atEnd());
    EXPECT_EQ(placer.place(3048, 1024).take, 0);
    EXPECT_EQ(placer.dataEnd(), 2500);
}

TEST(FramePlacer, SyncDropsPrerollUpToTheTargetAndFlagsLateOrUnknownStarts) {
    FramePlacer placer(kMaxJump);
    placer.sync(5000);
    Placement p = placer.place(3000, 1152);
    EXPECT_EQ(p.take, 0);
    p = placer.place(4152, 1152);
    EXPECT_EQ(p.skip, 848);
    EXPECT_EQ(p.take, 304);

    placer.sync(5000);
    p = placer.place(5100, 1152);
    EXPECT_TRUE(p.late);
    EXPECT_EQ(p.silence, 100);
    EXPECT_EQ(p.take, 1152);

    placer.sync(5000);
    p = placer.place(std::nullopt, 1152);
    EXPECT_TRUE(p.unknown);
    EXPECT_EQ(p.take, 1152);
    EXPECT_EQ(placer.next(), 6152);
}

TEST(FramePlacer, GapsBecomeSilenceOverlapsAreDroppedWildJumpsIgnored) {
    FramePlacer placer(kMaxJump);
    placer.sync(0);
    placer.place(0, 1000);
    // A rejected packet: the next frame's timestamp is 1000 frames on.
    Placement p = placer.place(2000, 1000);
    EXPECT_EQ(p.silence, 1000);
    EXPECT_EQ(p.take, 1000);
    // Rounding of a frame or two is contiguity, not a gap.
    p = placer.place(3001, 1000);
    EXPECT_EQ(p.silence, 0);
    EXPECT_EQ(p.skip, 0);
    EXPECT_EQ(placer.next(), 4000);
    // Overlap: the part already delivered is dropped.
    p = placer.place(3500, 1000);
    EXPECT_EQ(p.skip, 500);
    EXPECT_EQ(p.take, 500);
    // A timestamp jump beyond any plausible gap is not trusted.
    p = placer.place(10'000'000, 1000);
    EXPECT_EQ(p.silence, 0);
    EXPECT_EQ(p.take, 1000);
    EXPECT_EQ(placer.next(), 5500);
    // Frames without timestamps are contiguous.
    p = placer.place(std::nullopt, 10);
    EXPECT_EQ(placer.next(), 5510);
}

TEST(FramePlacer, LoweringTheEndPullsTheNextFrameBack) {
    FramePlacer placer(kMaxJump);
    placer.sync(0);
    placer.place(0, 4096);
    placer.setEnd(100);
    EXPECT_EQ(placer.next(), 100);
    EXPECT_TRUE(placer.atEnd());
    EXPECT_EQ(placer.dataEnd(), 100);
}

} // namespace
} // namespace orvane::media
