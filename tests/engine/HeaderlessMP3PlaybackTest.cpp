#include "EngineTestSupport.h"
#include "media/MediaTestSupport.h"

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <optional>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

// A VBR MP3 without any header frame, ten seconds of noise and then ten of a tone, whose
// length FFmpeg can only estimate, seconds short. The engine plays it to its true end
// (every frame FFmpeg decodes, as the fixture script counted them), the tone is what
// plays last, and the seek bar's duration and the preload request follow that length.
TEST(HeaderlessMP3Playback, PlaysToTheTrueEndAndTheToneComesLast) {
    std::int64_t frames = 0;
    std::ifstream(fixtureFile("noise-then-tone.frames")) >> frames;
    ASSERT_GT(frames, 20 * 44100);
    const auto length = static_cast<std::size_t>(frames);
    const Audio decoded = decodeFile(fixtureFile("noise-then-tone.mp3"));
    ASSERT_EQ(decoded.frames(), frames);

    EngineRig rig(44100.0);
    RecordingTap tap(length + 44100);
    rig->host().graph().setTap(TapPoint::Player, &tap);
    std::optional<std::size_t> heardAtEnd;
    std::optional<double> preloadAskedAt;
    rig->onTrackEnded = [&] {
        heardAtEnd = tap.left.size();
    };
    rig->onNeedPreload = [&] {
        if (!preloadAskedAt)
            preloadAskedAt = rig->currentTime.get();
    };
    rig->load(fixtureFile("noise-then-tone.mp3"), Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    const double seconds = static_cast<double>(frames) / 44100.0;
    EXPECT_DOUBLE_EQ(rig->duration.get(), seconds);
    for (int i = 0; i < 3000 && !heardAtEnd; ++i)
        rig.run(0.01);
    rig->host().graph().setTap(TapPoint::Player, nullptr);

    ASSERT_TRUE(heardAtEnd) << "the track never ended";
    ASSERT_GE(*heardAtEnd, length) << "ended early, at " << *heardAtEnd << " of " << length;
    EXPECT_EQ(maxDifference(tap.left, 0, decoded.channels[0], 0, length), 0.0f);
    EXPECT_EQ(maxDifference(tap.right, 0, decoded.channels[1], 0, length), 0.0f);
    EXPECT_TRUE(std::all_of(tap.left.begin() + frames,
                            tap.left.begin() + static_cast<std::ptrdiff_t>(*heardAtEnd),
                            [](float x) { return x == 0.0f; }))
        << "more played than the file holds";
    const std::vector<float> lastSecond(tap.left.begin() + frames - 44100,
                                        tap.left.begin() + frames);
    EXPECT_GT(toneShare(lastSecond, 0, 440, 44100), 0.9) << "the last second is not the tone";

    // Asked once less than 12 s remain, on the first 0.2 s tick after that.
    ASSERT_TRUE(preloadAskedAt);
    EXPECT_GT(*preloadAskedAt, seconds - 12.0);
    EXPECT_LT(*preloadAskedAt, seconds - 12.0 + 0.25);
}

} // namespace
} // namespace orvane::test
