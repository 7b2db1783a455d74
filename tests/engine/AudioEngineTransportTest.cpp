#include "EngineTestSupport.h"
#include "engine/EngineError.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

constexpr double kRate = 44100.0;
// full.wav: 4 s at 44.1 kHz.
constexpr double kFullSeconds = 4.0;

class AudioEngineTransportTest : public ::testing::Test {
protected:
    void load(double trimStart = 0.0, std::optional<double> trimEnd = std::nullopt,
              int fadeInMs = 0) {
        rig->load(engineFixture("full.wav"), track, trimStart, trimEnd, 1.0, fadeInMs);
    }

    EngineRig rig;
    Uuid track = Uuid::random();
};

TEST_F(AudioEngineTransportTest, LoadPublishesTheTrimmedRegionBeforeAnySoundPlays) {
    std::vector<std::string> order;
    auto s1 = rig->duration.subscribe([&](double) { order.push_back("duration"); });
    auto s2 = rig->currentTime.subscribe([&](double) { order.push_back("currentTime"); });
    auto s3 = rig->isLoaded.subscribe([&](bool) { order.push_back("isLoaded"); });
    load(1.0, 3.0);
    EXPECT_DOUBLE_EQ(rig->duration, 3.0);
    EXPECT_DOUBLE_EQ(rig->currentTime, 1.0);
    EXPECT_TRUE(rig->isLoaded);
    EXPECT_TRUE(rig->isPlaying);
    EXPECT_EQ(order, (std::vector<std::string>{"duration", "currentTime", "isLoaded"}));

    load(-5.0, 99.0); // trims outside the file are clamped to it
    EXPECT_DOUBLE_EQ(rig->duration, kFullSeconds);
    EXPECT_DOUBLE_EQ(rig->currentTime, 0.0);
    EXPECT_EQ(rig->currentSegment()->t0, 0);
    EXPECT_EQ(rig->currentSegment()->t1, static_cast<std::int64_t>(kFullSeconds * kRate));
}

// Failed loads in all their kinds, and what the engine holds after them, are walked
// through by the soak test; here the error a caller sees.
TEST_F(AudioEngineTransportTest, AMissingFileOrAnEmptyRegionThrowsAnOrvaneError) {
    EXPECT_THROW(rig->load("/nonexistent/file.wav", track, 0, std::nullopt, 1.0, 0), EngineError);
    EXPECT_FALSE(rig->isLoaded);
    try {
        rig->load(engineFixture("full.wav"), track, 2.0, 2.0, 1.0, 0);
        FAIL() << "an empty region must throw";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.code(), 1);
        EXPECT_STREQ(EngineError::domain(), "Orvane");
    }
}

TEST_F(AudioEngineTransportTest, TheTickPublishesThePositionOfTheFrameBeingHeard) {
    rig.output().setLatencyFrames(441); // 10 ms between output and ear
    load(1.0);
    // A frame reaches the ear the limiter's look-ahead plus the output's latency after
    // the player rendered it.
    ASSERT_GT(rig.lookAheadFrames(), 0);
    const double delay = 0.01 + rig.lookAheadSeconds();
    rig.run(0.2); // the tick at 0.2 s sees 0.2 s rendered
    EXPECT_NEAR(rig->currentTime, 1.2 - delay, 1e-9);
    rig.run(0.4);
    EXPECT_NEAR(rig->currentTime, 1.6 - delay, 1e-9);
}

TEST_F(AudioEngineTransportTest, PlaybackStartsAtTheTrimmedStartFrame) {
    RecordingTap played;
    rig->host().graph().setTap(TapPoint::Player, &played);
    load(1.0);
    rig.render(64);
    rig->host().graph().setTap(TapPoint::Player, nullptr);
    // The first frames the player plays are file frames 44100.. of the uncut signal.
    EngineRig reference;
    RecordingTap uncut;
    reference->host().graph().setTap(TapPoint::Player, &uncut);
    reference->load(engineFixture("full.wav"), track, 0, std::nullopt, 1.0, 0);
    reference.render(44100 + 64);
    reference->host().graph().setTap(TapPoint::Player, nullptr);
    ASSERT_EQ(uncut.left.size(), 44100u + 64u);
    EXPECT_EQ(played.left, std::vector<float>(uncut.left.begin() + 44100, uncut.left.end()));
    EXPECT_NE(played.left, std::vector<float>(64, 0.0f));
}

// Seeks clamp to the trimmed start and to 50 ms before the end; a seek while paused
// stays paused, silent, at the new place, and playing goes on from there.
TEST_F(AudioEngineTransportTest, SeekClampsToTheRegionAndKeepsThePauseState) {
    load(1.0, 3.0);
    rig->seek(10.0);
    EXPECT_DOUBLE_EQ(rig->currentTime, 3.0 - 0.05);
    rig->seek(0.2);
    EXPECT_DOUBLE_EQ(rig->currentTime, 1.0);
    rig->seek(2.0);
    rig.run(0.2);
    EXPECT_NEAR(rig->currentTime, 2.2 - rig.lookAheadSeconds(), 1e-9);

    rig->pause(0);
    rig->seek(2.5);
    EXPECT_FALSE(rig->isPlaying);
    EXPECT_DOUBLE_EQ(rig->currentTime, 2.5);
    rig.run(0.4);
    EXPECT_DOUBLE_EQ(rig->currentTime, 2.5);
    EXPECT_EQ(rig.lastLeft(), std::vector<float>(rig.lastLeft().size(), 0.0f));
    rig->resume(0);
    rig.run(0.2);
    EXPECT_NEAR(rig->currentTime, 2.7 - rig.lookAheadSeconds(), 1e-9);
}

TEST_F(AudioEngineTransportTest, PauseAndStopOnlyActWhenTheyShouldAndAStopFadeEndsInAStop) {
    rig->pause(0); // nothing loaded: nothing happens
    rig->play(0);
    EXPECT_FALSE(rig->isPlaying);

    load();
    rig.run(0.2);
    rig->stop(100);
    rig.run(0.08);
    EXPECT_TRUE(rig->isLoaded);
    rig.run(0.02);
    EXPECT_FALSE(rig->isLoaded);
    EXPECT_FALSE(rig->isPlaying);

    load();
    rig->pause(0);
    const auto time = rig->currentTime.get();
    rig->pause(0); // not playing: nothing
    EXPECT_DOUBLE_EQ(rig->currentTime, time);

    rig->stop(500); // paused: stops at once, no fade
    EXPECT_FALSE(rig->isLoaded);
    EXPECT_DOUBLE_EQ(rig->duration, 0.0);
    EXPECT_DOUBLE_EQ(rig->currentTime, 0.0);
    rig->play(0); // nothing current any more
    rig->seek(1.0);
    EXPECT_FALSE(rig->isPlaying);
    EXPECT_DOUBLE_EQ(rig->currentTime, 0.0);
}

// The end is reported once the last frame has been heard: after the region's 44100
// frames, the limiter's look-ahead and the output's latency; the position then equals
// the duration, and the segment stays.
TEST_F(AudioEngineTransportTest, TheEndWaitsUntilTheLastFrameHasBeenHeard) {
    for (const std::int64_t latency : {0, 4410}) {
        SCOPED_TRACE(latency);
        rig.output().setLatencyFrames(latency);
        load(0.0, 1.0);
        int ended = 0;
        rig->onTrackEnded = [&] {
            ++ended;
            EXPECT_EQ(rig->currentTime.get(), rig->duration.get());
            EXPECT_FALSE(rig->isPlaying);
        };
        const int steps = 99 + static_cast<int>(latency / 441);
        rig.run(steps / 100.0);
        const auto heardAt = 44100 + latency + rig.lookAheadFrames();
        rig.runFrames(static_cast<std::size_t>(heardAt - steps * 441 - 1));
        EXPECT_EQ(ended, 0);
        EXPECT_LE(rig->currentTime, rig->duration);
        rig.runFrames(1);
        EXPECT_EQ(ended, 1);
        EXPECT_TRUE(rig->isLoaded);
        rig.run(0.5);
        EXPECT_EQ(ended, 1);
    }
}

TEST_F(AudioEngineTransportTest, AnOutputThatAdoptsAnotherRateOnStartGetsRegionsDecodedForIt) {
    rig.output().setRateOnNextStart(48000.0);
    load(1.0);
    EXPECT_DOUBLE_EQ(rig->host().sampleRate(), 48000.0);
    // The tone chain was built for the new rate: 12 ms of look-ahead at 48 kHz.
    EXPECT_EQ(rig.lookAheadFrames(), 575);
    rig.run(0.2);
    EXPECT_NEAR(rig->currentTime, 1.2 - rig.lookAheadSeconds(), 1e-9);
}

TEST_F(AudioEngineTransportTest, WithoutASoundServerPlaybackRunsOnSilently) {
    rig.output().setStartFails(true);
    load();
    EXPECT_TRUE(rig->isPlaying);
    EXPECT_TRUE(rig->host().onFallback());
    EXPECT_TRUE(rig->host().isRunning());
    rig->hardStop();
    // Choosing a device tries the real output again.
    rig.output().setStartFails(false);
    rig.output().setDeviceIDs({7});
    load();
    rig->setOutputDevice(7u);
    EXPECT_FALSE(rig->host().onFallback());
    EXPECT_EQ(rig.output().selectedDevice(), 7u);
    EXPECT_TRUE(rig.output().isRunning());
    rig->setOutputDevice(std::nullopt);
    EXPECT_EQ(rig.output().selectedDevice(), std::nullopt);
}

TEST_F(AudioEngineTransportTest, AnOutputThatDiesWhilePlayingIsStartedAgainByTheTick) {
    load();
    rig.run(0.2);
    rig.output().fail();
    rig.run(0.2);
    EXPECT_EQ(rig.output().startCount(), 2);
    EXPECT_TRUE(rig.output().isRunning());
    // Nothing was rendered while it was gone.
    EXPECT_NEAR(rig->currentTime, 0.2 - rig.lookAheadSeconds(), 1e-9);
    rig.run(0.2);
    EXPECT_NEAR(rig->currentTime, 0.4 - rig.lookAheadSeconds(), 1e-9);
}

} // namespace
} // namespace orvane::test
