// The whole road of a file, end to end: the engine decodes an MP3 at 44.1 kHz, renders
// it through its graph at the sink's 48 kHz and the PulseAudio output plays it; the
// sound is checked where it arrives, on the sink's monitor.

#include "PulseTestSupport.h"
#include "engine/AudioEngine.h"
#include "platform/PulseOutput.h"
#include "runtime/ManualMainLoop.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

TEST(EngineE2E, AnMP3PlaysThroughTheEngineToTheSink) {
    REQUIRE_SERVER();
    MonitorRecorder recorder("orvane_test_a");
    ASSERT_TRUE(recorder.recording());

    ManualMainLoop loop;
    AudioEngine engine(loop, std::make_unique<PulseOutput>());
    bool ended = false;
    engine.onTrackEnded = [&] {
        ended = true;
    };

    // sine.mp3: 1 kHz, left at -3 dB full scale, right 6 dB below it, 3 s long.
    engine.load(std::string(ORVANE_FIXTURES_DIR) + "/sine.mp3", Uuid::random(), 0.0, std::nullopt,
                1.0, 0);
    ASSERT_TRUE(engine.isPlaying.get());
    // The output connects on its own thread and takes over on the main loop.
    ASSERT_TRUE(eventually([&] {
        loop.runPending();
        return endsWithKilohertz(recorder, 9600);
    }));
    EXPECT_EQ(engine.host().sampleRate(), 48000.0);

    // Half a second of what the sink received after the tone began, well inside the file.
    const std::size_t toneSeen = recorder.frames();
    ASSERT_TRUE(eventually([&] { return recorder.frames() >= toneSeen + 24000; }));
    const std::vector<float> heard = recorder.samples(toneSeen);
    ASSERT_GE(heard.size(), 2u * 24000);
    const ChannelStats left = analyse(heard, 0, 0, 24000);
    const ChannelStats right = analyse(heard, 1, 0, 24000);
    EXPECT_NEAR(left.frequency, 1000.0, 5.0);
    EXPECT_NEAR(right.frequency, 1000.0, 5.0);
    // -3 dB peak, then the limiter's resting pre-gain of -0.8 dB.
    const double expectedLeftRMS = std::pow(10.0, -3.8 / 20.0) / std::sqrt(2.0);
    EXPECT_NEAR(left.rms, expectedLeftRMS, 0.03);
    EXPECT_NEAR(right.rms, expectedLeftRMS / 2.0, 0.02);

    // The end of the file comes back to the main thread once it has been heard.
    ASSERT_TRUE(eventually([&] {
        loop.runPending();
        return ended;
    }));
    EXPECT_FALSE(engine.isPlaying.get());
    EXPECT_DOUBLE_EQ(engine.currentTime.get(), engine.duration.get());
}

} // namespace
} // namespace orvane::test
