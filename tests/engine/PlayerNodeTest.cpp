#include "engine/host/PlayerNode.h"

#include "engine/host/AudioRing.h"
#include "engine/host/StreamMarker.h"

#include <numeric>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// The decoder's side of the stream, written by hand.
class StreamWriter {
public:
    StreamWriter(AudioRing& ring, MarkerQueue& markers) : ring_(ring), markers_(markers) {}

    void mark(StreamMarker::Kind kind, std::uint64_t schedule, std::int64_t regionID = 0) {
        ASSERT_TRUE(markers_.push({kind, ring_.writePosition(), schedule, regionID}));
    }
    // Frames whose left sample is their value and right sample its negative.
    void frames(float first, std::size_t count) {
        std::vector<float> left(count);
        std::iota(left.begin(), left.end(), first);
        std::vector<float> right(count);
        for (std::size_t i = 0; i < count; ++i)
            right[i] = -left[i];
        ASSERT_LE(count, ring_.writable());
        ring_.write(left.data(), right.data(), count);
    }

private:
    AudioRing& ring_;
    MarkerQueue& markers_;
};

class PlayerNodeTest : public ::testing::Test {
protected:
    std::vector<float> render(std::size_t frames) {
        std::vector<float> left(frames, 99.0f);
        std::vector<float> right(frames, 99.0f);
        player.render(left.data(), right.data(), frames);
        for (std::size_t i = 0; i < frames; ++i)
            EXPECT_EQ(right[i], -left[i]);
        return left;
    }

    AudioRing ring{64};
    MarkerQueue markers;
    CompletionQueue completions;
    PlayerNode player{ring, markers, completions};
    StreamWriter writer{ring, markers};
};

TEST_F(PlayerNodeTest, PlaysOnlyTheRequestedScheduleRestartsItsClockAndPausesInPlace) {
    player.setSchedule(1);
    player.setPlaying(true);
    writer.mark(StreamMarker::Kind::ScheduleStart, 1);
    writer.frames(100.0f, 20);
    EXPECT_EQ(render(8)[0], 100.0f);
    player.setPlaying(false); // paused: silence, and the place is kept
    EXPECT_EQ(render(10), std::vector<float>(10, 0.0f));
    player.setPlaying(true);
    EXPECT_EQ(render(1)[0], 108.0f);
    EXPECT_EQ(player.clock().playerFrames, 9);

    // A seek: the rest of schedule 1 is stale, even the part written after the request.
    player.setSchedule(2);
    writer.frames(120.0f, 5);
    writer.mark(StreamMarker::Kind::ScheduleStart, 2);
    writer.frames(500.0f, 10);
    const auto out = render(6);
    EXPECT_EQ(out, (std::vector<float>{500, 501, 502, 503, 504, 505}));
    EXPECT_EQ(player.clock().schedule, 2u);
    EXPECT_EQ(player.clock().playerFrames, 6);

    // Paused with the ring full of a schedule no longer wanted: the ring is emptied so
    // that the decoder can refill it.
    player.setPlaying(false);
    writer.frames(31.0f, ring.writable());
    player.setSchedule(3);
    EXPECT_EQ(render(4), std::vector<float>(4, 0.0f));
    EXPECT_EQ(ring.writable(), 64u);
}

} // namespace
} // namespace orvane
