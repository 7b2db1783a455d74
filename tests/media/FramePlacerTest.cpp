#include "media/FramePlacer.h"

#include <string>

#include <gtest/gtest.h>

namespace orvane::media {
namespace {

constexpr std::int64_t kMaxJump = 88200;

// A placement as text, naming only what is set.
std::string text(const Placement& p) {
    std::string out;
    for (const auto& [name, value] :
         {std::pair{"silence", p.silence}, {"skip", p.skip}, {"take", p.take}})
        if (value != 0)
            out += std::string(out.empty() ? "" : " ") + name + " " + std::to_string(value);
    return out + (p.late ? " late" : "") + (p.unknown ? " unknown" : "");
}

// Priming, padding and seek preroll are dropped by the reader's exact length and seek
// tests; what only damaged files show is here.
TEST(FramePlacer, GapsBecomeSilenceOverlapsAreDroppedWildJumpsIgnored) {
    FramePlacer placer(kMaxJump);
    placer.sync(0);
    placer.place(0, 1000);
    // A rejected packet: the next frame's timestamp is 1000 frames on.
    EXPECT_EQ(text(placer.place(2000, 1000)), "silence 1000 take 1000");
    // Rounding of a frame or two is contiguity, not a gap.
    EXPECT_EQ(text(placer.place(3001, 1000)), "take 1000");
    EXPECT_EQ(placer.next(), 4000);
    // Overlap: the part already delivered is dropped.
    EXPECT_EQ(text(placer.place(3500, 1000)), "skip 500 take 500");
    // A timestamp jump beyond any plausible gap is not trusted.
    EXPECT_EQ(text(placer.place(10'000'000, 1000)), "take 1000");
    EXPECT_EQ(placer.next(), 5500);
    // Frames without timestamps are contiguous.
    placer.place(std::nullopt, 10);
    EXPECT_EQ(placer.next(), 5510);

    // Lowering the end pulls the next frame back.
    placer.setEnd(100);
    EXPECT_EQ(placer.next(), 100);
    EXPECT_TRUE(placer.atEnd());
    EXPECT_EQ(placer.dataEnd(), 100);
}

} // namespace
} // namespace orvane::media
