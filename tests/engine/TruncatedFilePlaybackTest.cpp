#include "EngineTestSupport.h"
#include "media/MediaTestSupport.h"

#include <algorithm>
#include <cstddef>
#include <optional>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

// An MP3 cut off at 400 KB, 16.6 s of the 30 s its Info tag counts. The engine's
// duration, the preload request (12 s before the end) and the gapless handover all
// follow the audio that is there: the next file starts on the frame after the last one
// decoded, with no gap.
TEST(TruncatedFilePlayback, HandsOverAtTheRealEndWithoutAGap) {
    const std::string cut = fixtureFile("truncated-cbr.mp3");
    const std::string next = fixtureFile("sine.wav");
    const Audio first = decodeFile(cut);
    const Audio second = decodeFile(next);
    const auto frames = static_cast<std::size_t>(first.frames());
    ASSERT_GT(frames, 16 * 44100u);
    ASSERT_LT(frames, 17 * 44100u);

    EngineRig rig(44100.0);
    RecordingTap tap(frames + static_cast<std::size_t>(second.frames()) + 44100);
    rig->host().graph().setTap(TapPoint::Player, &tap);
    std::optional<double> preloadAskedAt;
    std::optional<std::size_t> handedOverAt;
    rig->onNeedPreload = [&] {
        if (preloadAskedAt)
            return;
        preloadAskedAt = rig->currentTime.get();
        EXPECT_TRUE(rig->preloadNext(next, Uuid::random(), 0.0, std::nullopt, 1.0));
    };
    rig->onGaplessPromotion = [&](const Uuid&) {
        handedOverAt = tap.left.size();
    };
    rig->load(cut, Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    const double seconds = static_cast<double>(frames) / 44100.0;
    EXPECT_DOUBLE_EQ(rig->duration.get(), seconds);
    for (int i = 0; i < 2500 && tap.left.size() < frames + 44100; ++i)
        rig.run(0.01);
    rig->host().graph().setTap(TapPoint::Player, nullptr);

    ASSERT_TRUE(preloadAskedAt);
    EXPECT_GT(*preloadAskedAt, seconds - 12.0);
    EXPECT_LT(*preloadAskedAt, seconds - 12.0 + 0.25);
    ASSERT_TRUE(handedOverAt) << "the next file never took over";
    ASSERT_GE(tap.left.size(), frames + 44100);
    EXPECT_EQ(maxDifference(tap.left, 0, first.channels[0], 0, frames), 0.0f);
    EXPECT_EQ(maxDifference(tap.left, frames, second.channels[0], 0, 44100), 0.0f)
        << "the next file does not start on the frame after the last one";
}

// A seek beyond the audio that is there, though within what the tag counts, lands at
// the real end and ends the track there, as its natural end would (the controller then
// moves on), instead of leaving it stuck in what the file does not hold.
TEST(TruncatedFilePlayback, SeekPastTheRealEndEndsTheTrack) {
    EngineRig rig(44100.0);
    bool ended = false;
    rig->onTrackEnded = [&] {
        ended = true;
    };
    rig->load(fixtureFile("truncated-cbr.mp3"), Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    rig.run(0.5);
    rig->seek(25.0);
    EXPECT_LT(rig->currentTime.get(), 16.7);
    for (int i = 0; i < 20 && !ended; ++i)
        rig.run(0.01);
    EXPECT_TRUE(ended) << "the seek did not end the track";
}

} // namespace
} // namespace orvane::test
