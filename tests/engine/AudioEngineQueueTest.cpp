#include "EngineTestSupport.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

class AudioEngineQueueTest : public ::testing::Test {
protected:
    AudioEngineQueueTest() {
        rig->onTrackEnded = [this] {
            ++ended;
        };
        rig->onGaplessPromotion = [this](const Uuid& id) {
            promoted.push_back(id);
        };
    }

    void loadShort() { rig->load(engineFixture("short.wav"), first, 0.0, std::nullopt, 1.0, 0); }
    bool queue(const std::string& name, double trimStart = 0.0,
               std::optional<double> trimEnd = std::nullopt, double gain = 1.0) {
        return rig->preloadNext(engineFixture(name), second, trimStart, trimEnd, gain);
    }

    EngineRig rig;
    Uuid first = Uuid::random();
    Uuid second = Uuid::random();
    int ended = 0;
    std::vector<Uuid> promoted;
};

TEST_F(AudioEngineQueueTest, HandOffContinuesFromTheQueuedRegionsTrimmedStart) {
    loadShort(); // 0.5 s
    ASSERT_TRUE(queue("full.wav", 1.0, 2.5, 0.5));
    rig.run(0.5);
    EXPECT_TRUE(rig->normBypassed());
    // The hand-off is reported once the first region's last frame has been heard, after
    // the limiter's look-ahead.
    EXPECT_TRUE(promoted.empty());
    rig.run(0.02);
    EXPECT_EQ(promoted, std::vector<Uuid>{second});
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(rig->isPlaying);
    EXPECT_DOUBLE_EQ(rig->duration, 2.5);
    EXPECT_FALSE(rig->hasQueued());
    EXPECT_EQ(rig->currentSegment()->trackID, second);
    EXPECT_FLOAT_EQ(rig->normGain(), 0.5f);
    EXPECT_FALSE(rig->normBypassed()); // the normalisation stage ramps to the new gain

    rig.run(0.1); // the tick at 0.6 s: 0.1 s rendered into the new region
    EXPECT_NEAR(rig->currentTime, 1.1 - rig.lookAheadSeconds(), 1e-9);
    rig.run(1.38); // 2.0 s: both regions rendered, the last frames not yet heard
    EXPECT_NEAR(rig->normUnitGainDb(), 20.0 * std::log10(0.5), 1e-4);
    EXPECT_EQ(ended, 0);
    rig.runFrames(static_cast<std::size_t>(rig.lookAheadFrames()) - 1);
    EXPECT_EQ(ended, 0);
    rig.runFrames(1);
    EXPECT_EQ(ended, 1);
    EXPECT_DOUBLE_EQ(rig->currentTime, 2.5);
}

// A track within 12 s of its end asks for its successor on every tick, unless one is
// queued, it is paused, or gapless playback is off.
TEST_F(AudioEngineQueueTest, PreloadRequestsComeOnEveryTickNearTheEndUnlessNotWanted) {
    int requests = 0;
    rig->onNeedPreload = [&] {
        ++requests;
    };
    loadShort();
    rig.run(0.2);
    EXPECT_EQ(requests, 1);
    ASSERT_TRUE(queue("full.wav"));
    rig.run(0.2);
    EXPECT_EQ(requests, 1);
    rig.run(0.2); // promoted: the new track asks again
    EXPECT_EQ(requests, 2);
    rig.run(0.4);
    EXPECT_EQ(requests, 4);
    rig->gaplessEnabled = false;
    rig.run(0.4);
    EXPECT_EQ(requests, 4);
    rig->pause(0);
    rig->gaplessEnabled = true;
    rig.run(0.4);
    EXPECT_EQ(requests, 4);
}

} // namespace
} // namespace orvane::test
