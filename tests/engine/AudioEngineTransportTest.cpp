#include "EngineTestSupport.h"
#include "media/MediaTestSupport.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

class AudioEngineTransportTest : public ::testing::Test {
protected:
    void load(double trimStart = 0.0, std::optional<double> trimEnd = std::nullopt,
              int fadeInMs = 0) {
        rig->load(engineFixture("full.wav"), track, trimStart, trimEnd, 1.0, fadeInMs);
    }

    EngineRig rig;
    Uuid track = Uuid::random();
};

TEST_F(AudioEngineTransportTest, TheTickPublishesThePositionOfTheFrameBeingHeard) {
    rig.output().setLatencyFrames(441); // 10 ms between output and ear
    load(1.0);
    // A frame reaches the ear the limiter's look-ahead plus the output's latency after
    // the player rendered it.
    ASSERT_GT(rig.lookAheadFrames(), 0);
    const double delay = 0.01 + rig.lookAheadSeconds();
    rig.run(0.2); // the tick at 0.2 s sees 0.2 s rendered
    EXPECT_NEAR(rig->currentTime, 1.2 - delay, 1e-9);
}

TEST_F(AudioEngineTransportTest, PlaybackStartsAtTheTrimmedStartFrame) {
    RecordingTap played;
    rig->host().graph().setTap(TapPoint::Player, &played);
    load(1.0);
    rig.render(64);
    rig->host().graph().setTap(TapPoint::Player, nullptr);
    // The first frames the player plays are file frames 44100.. of the uncut signal.
    const auto file = decodeFile(engineFixture("full.wav")).channels[0];
    EXPECT_EQ(played.left, std::vector<float>(file.begin() + 44100, file.begin() + 44164));
    EXPECT_NE(played.left, std::vector<float>(64, 0.0f));
}

// Where seeks land is checked after every seek of the soak test. A seek while paused
// stays paused, silent, at the new place, and playing goes on from there.
TEST_F(AudioEngineTransportTest, ASeekWhilePausedKeepsThePauseState) {
    load(1.0, 3.0);
    rig.run(0.2);
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
    rig->stop(500); // paused: stops at once, no fade
    EXPECT_FALSE(rig->isLoaded);
    rig->play(0); // nothing current any more
    rig->seek(1.0);
    EXPECT_FALSE(rig->isPlaying);
    EXPECT_DOUBLE_EQ(rig->currentTime, 0.0);
}

// The end is reported once the last frame has been heard: after the region's 44100
// frames, the limiter's look-ahead and the output's latency; the position then equals
// the duration, and the segment stays.
TEST_F(AudioEngineTransportTest, TheEndWaitsUntilTheLastFrameHasBeenHeard) {
    rig.output().setLatencyFrames(4410);
    load(0.0, 1.0);
    int ended = 0;
    rig->onTrackEnded = [&] {
        ++ended;
        EXPECT_EQ(rig->currentTime.get(), rig->duration.get());
        EXPECT_FALSE(rig->isPlaying);
    };
    rig.run(1.09);
    const auto heardAt = 44100 + 4410 + rig.lookAheadFrames();
    rig.runFrames(static_cast<std::size_t>(heardAt - 109 * 441 - 1));
    EXPECT_EQ(ended, 0);
    EXPECT_LE(rig->currentTime, rig->duration);
    rig.runFrames(1);
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(rig->isLoaded);
    rig.run(0.5);
    EXPECT_EQ(ended, 1);
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
    rig.output().setDeviceUIDs({"seven"});
    load();
    rig->setOutputDevice("seven");
    EXPECT_FALSE(rig->host().onFallback());
    EXPECT_EQ(rig.output().selectedDevice(), "seven");
    EXPECT_TRUE(rig.output().isRunning());
    rig->setOutputDevice(std::nullopt);
    EXPECT_EQ(rig.output().selectedDevice(), std::nullopt);
}

// The region's frames, what it holds and its gain follow the queue sample-exactly;
// that the queued region becomes the current one is checked at every hand-off of the
// soak test.
// A mode change drops the track queued behind this one: what the output and the
// look-ahead already hold must not play again.
TEST_F(AudioEngineTransportTest, DroppingTheQueuedRegionPlaysNothingTwice) {
    rig.output().setLatencyFrames(441);
    RecordingTap played;
    rig->host().graph().setTap(TapPoint::Player, &played);
    load();
    rig.run(0.3);
    ASSERT_TRUE(
        rig->preloadNext(engineFixture("short.wav"), Uuid::random(), 0.0, std::nullopt, 1.0));
    const double shown = rig->currentTime;
    rig->discardQueued();
    EXPECT_FALSE(rig->hasQueued());
    EXPECT_EQ(rig->currentTime, shown);
    rig.run(0.3);
    rig->host().graph().setTap(TapPoint::Player, nullptr);
    const auto file = decodeFile(engineFixture("full.wav")).channels[0];
    ASSERT_LT(played.left.size(), file.size());
    EXPECT_TRUE(std::equal(played.left.begin(), played.left.end(), file.begin()));
}

TEST_F(AudioEngineTransportTest, HandOffContinuesFromTheQueuedRegionsTrimmedStart) {
    std::vector<Uuid> promoted;
    int ended = 0;
    rig->onGaplessPromotion = [&](const Uuid& id) {
        promoted.push_back(id);
    };
    rig->onTrackEnded = [&] {
        ++ended;
    };
    rig->load(engineFixture("short.wav"), Uuid::random(), 0.0, std::nullopt, 1.0, 0); // 0.5 s
    ASSERT_TRUE(rig->preloadNext(engineFixture("full.wav"), track, 1.0, 2.5, 0.5));
    rig.run(0.5);
    EXPECT_TRUE(rig->normBypassed());
    // The hand-off is reported once the first region's last frame has been heard, after
    // the limiter's look-ahead.
    EXPECT_TRUE(promoted.empty());
    rig.run(0.02);
    EXPECT_EQ(promoted, std::vector<Uuid>{track});
    EXPECT_TRUE(rig->isPlaying);
    EXPECT_FLOAT_EQ(rig->normGain(), 0.5f);
    EXPECT_FALSE(rig->normBypassed()); // the normalisation stage ramps to the new gain

    rig.run(0.1); // the tick at 0.6 s: 0.1 s rendered into the new region
    EXPECT_NEAR(rig->currentTime, 1.1 - rig.lookAheadSeconds(), 1e-9);
    rig.run(1.4); // 2.0 s: both regions rendered and heard
    EXPECT_NEAR(rig->normUnitGainDb(), 20.0 * std::log10(0.5), 1e-4);
    EXPECT_EQ(ended, 1);
    EXPECT_DOUBLE_EQ(rig->currentTime, 2.5);
}

// A track within 12 s of its end asks for its successor on every tick, unless one is
// queued, it is paused, or gapless playback is off.
TEST_F(AudioEngineTransportTest, PreloadRequestsComeOnEveryTickNearTheEndUnlessNotWanted) {
    int requests = 0;
    rig->onNeedPreload = [&] {
        ++requests;
    };
    rig->load(engineFixture("short.wav"), Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    rig.run(0.2);
    EXPECT_EQ(requests, 1);
    ASSERT_TRUE(rig->preloadNext(engineFixture("full.wav"), track, 0.0, std::nullopt, 1.0));
    rig.run(0.2);
    EXPECT_EQ(requests, 1);
    rig.run(0.4); // promoted: the new track asks on each tick
    EXPECT_EQ(requests, 3);
    rig->gaplessEnabled = false;
    rig.run(0.4);
    rig->pause(0);
    rig->gaplessEnabled = true;
    rig.run(0.4);
    EXPECT_EQ(requests, 3);
}

} // namespace
} // namespace orvane::test
