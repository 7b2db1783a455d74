#include "EngineTestSupport.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

class AudioEngineFadeTest : public ::testing::Test {
protected:
    void load(int fadeInMs = 0) {
        rig->load(engineFixture("full.wav"), Uuid::random(), 0.0, std::nullopt, 1.0, fadeInMs);
    }

    EngineRig rig;
};

// A pause fades out, then pauses and silences; a resume during the fade-out rises
// again from where it got to and never pauses.
TEST_F(AudioEngineFadeTest, PauseFadesOutThenPausesUnlessInterrupted) {
    load();
    rig.run(0.2);
    rig->pause(100);
    rig.run(0.08);
    EXPECT_TRUE(rig->isPlaying);
    EXPECT_NEAR(rig->fadeLevel(), 0.2f, 1e-6f);
    rig.run(0.02);
    EXPECT_FALSE(rig->isPlaying);
    EXPECT_EQ(rig->fadeLevel(), 0.0f);
    rig.run(0.1);
    EXPECT_EQ(rig.lastLeft(), std::vector<float>(rig.lastLeft().size(), 0.0f));

    rig->resume(0);
    rig->pause(200); // 10 steps
    rig.run(0.06);   // 3 steps: level 0.7
    ASSERT_NEAR(rig->fadeLevel(), 0.7f, 1e-6f);
    rig->resume(100); // 5 steps from 0.7 to 1
    rig.run(0.02);
    EXPECT_NEAR(rig->fadeLevel(), 0.76f, 1e-6f);
    rig.run(1.0);
    EXPECT_TRUE(rig->isPlaying);
    EXPECT_EQ(rig->fadeLevel(), 1.0f);
    EXPECT_NE(rig.lastLeft(), std::vector<float>(rig.lastLeft().size(), 0.0f));

    // hardStop: the fade and its completion are gone before the next load.
    rig->pause(100);
    rig->hardStop();
    EXPECT_EQ(rig->fadeLevel(), 1.0f);
    load();
    rig.run(0.3);
    EXPECT_TRUE(rig->isPlaying);
}

TEST_F(AudioEngineFadeTest, FadeInShapesTheRenderedSignal) {
    load(100);
    EngineRig reference;
    reference->load(engineFixture("full.wav"), Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    // The fade starts from silence: the first block is silent, not a ramp down from
    // full level. It is long enough for the signal to come through the look-ahead.
    const auto first = 441 + static_cast<std::size_t>(rig.lookAheadFrames());
    rig.render(first);
    reference.render(first);
    EXPECT_NE(reference.lastLeft(), std::vector<float>(first, 0.0f));
    EXPECT_EQ(rig.lastLeft(), std::vector<float>(first, 0.0f));
    rig.loop.advance(0.01);
    reference.loop.advance(0.01);
    // Then it rises step by step; once the last step is in, the signal is the unfaded one.
    rig.run(0.06);
    reference.run(0.06);
    EXPECT_NEAR(rig.lastLeft()[0] / reference.lastLeft()[0], 0.4f, 1e-3f);
    rig.run(0.05);
    reference.run(0.05);
    EXPECT_EQ(rig.lastLeft(), reference.lastLeft());
}

} // namespace
} // namespace orvane::test
