#include "engine/host/RenderGraph.h"

#include "engine/dsp/GainRamp.h"
#include "engine/host/AudioRing.h"
#include "engine/host/PlayerNode.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// A graph whose player plays a constant 0.5 on both sides for as long as the test feeds it.
class RenderGraphTest : public ::testing::Test {
protected:
    RenderGraphTest() {
        player.setSchedule(1);
        player.setPlaying(true);
        markers.push({StreamMarker::Kind::ScheduleStart, 0, 1, 0});
    }

    void render(std::size_t frames) {
        std::vector<float> fill(frames, 0.5f);
        ring.write(fill.data(), fill.data(), frames);
        left.assign(frames, 0.0f);
        right.assign(frames, 0.0f);
        graph.render(left.data(), right.data(), frames);
    }

    AudioRing ring{1 << 14};
    MarkerQueue markers;
    CompletionQueue completions;
    PlayerNode player{ring, markers, completions};
    RenderGraph graph{player};
    std::vector<float> left;
    std::vector<float> right;
};

TEST_F(RenderGraphTest, UnityGainsLeaveThePlayerOutputUntouched) {
    render(300);
    EXPECT_EQ(left, std::vector<float>(300, 0.5f));
    EXPECT_EQ(right, std::vector<float>(300, 0.5f));
}

TEST_F(RenderGraphTest, VolumeChangeRampsAcrossOneBlockInsteadOfJumping) {
    render(100);
    graph.setVolume(0.5f);
    render(100);
    // From 1 towards 0.5 in equal steps, reaching it at the block's last frame.
    EXPECT_NEAR(left[0], 0.5f * (1.0f - 0.5f / 100.0f), 1e-6f);
    EXPECT_NEAR(left[49], 0.5f * 0.75f, 1e-6f);
    EXPECT_NEAR(left[99], 0.25f, 1e-6f);
    for (std::size_t i = 1; i < left.size(); ++i)
        EXPECT_LT(left[i], left[i - 1]);
    render(100);
    EXPECT_EQ(left, std::vector<float>(100, 0.25f));
}

TEST_F(RenderGraphTest, LargeBlocksRampInPiecesOfTheMaximumBlock) {
    render(10);
    graph.setFadeLevel(0.0f);
    render(RenderGraph::kMaxBlock * 2);
    EXPECT_NEAR(left[RenderGraph::kMaxBlock - 1], 0.0f, 1e-7f);
    EXPECT_EQ(left.back(), 0.0f);
}

TEST_F(RenderGraphTest, PanIsABalanceThatKeepsTheNearSideAtUnity) {
    graph.setPan(0.5f);
    render(10); // the player was silent before: the gains start at their targets
    render(10);
    EXPECT_FLOAT_EQ(left[5], 0.25f);
    EXPECT_FLOAT_EQ(right[5], 0.5f);
    graph.setPan(-1.0f);
    render(10);
    render(10);
    EXPECT_FLOAT_EQ(left[5], 0.5f);
    EXPECT_FLOAT_EQ(right[5], 0.0f);
}

TEST_F(RenderGraphTest, NormalisationAppliesItsGainOnlyWhenNotBypassed) {
    graph.setNormGainDb(-6.0f);
    render(10);
    EXPECT_EQ(left[0], 0.5f); // bypassed: the gain is ignored
    graph.setNormBypassed(false);
    render(10);
    render(10);
    EXPECT_NEAR(left[5], 0.5f * std::pow(10.0f, -6.0f / 20.0f), 1e-6f);
}

TEST_F(RenderGraphTest, FadeInAfterSilenceStartsFromTheNewLevel) {
    graph.setFadeLevel(1.0f);
    render(10);
    player.setPlaying(false);
    render(10);
    // Play with a fade-in: level 0 first. Without the jump the first block would
    // ramp down from full level, a click.
    graph.setFadeLevel(0.0f);
    player.setPlaying(true);
    render(10);
    EXPECT_EQ(left, std::vector<float>(10, 0.0f));
}

TEST_F(RenderGraphTest, TapsSeeThePlayerOutputAndThePostLimiterSignal) {
    struct Capture final : RenderTap {
        void onRender(const float* l, const float*, std::size_t frames) noexcept override {
            last = l[frames - 1];
            total += frames;
        }
        float last = 0;
        std::size_t total = 0;
    } playerTap, meterTap;
    graph.setTap(TapPoint::Player, &playerTap);
    graph.setTap(TapPoint::PostLimiter, &meterTap);
    graph.setNormBypassed(false);
    graph.setNormGainDb(-6.0206f);
    graph.setVolume(0.1f);
    render(10);
    EXPECT_EQ(playerTap.last, 0.5f);
    EXPECT_NEAR(meterTap.last, 0.25f, 1e-4f); // after normalisation, before the volume
    EXPECT_NEAR(left.back(), 0.025f, 1e-4f);
    EXPECT_EQ(playerTap.total, 10u);
    graph.setTap(TapPoint::Player, nullptr);
    render(10);
    EXPECT_EQ(playerTap.total, 10u);
}

TEST(PanGainsTest, ClampsAndRejectsNonFiniteValues) {
    EXPECT_FLOAT_EQ(panGains(3.0f).left, 0.0f);
    EXPECT_FLOAT_EQ(panGains(3.0f).right, 1.0f);
    EXPECT_FLOAT_EQ(panGains(std::nanf("")).left, 1.0f);
    EXPECT_FLOAT_EQ(panGains(std::nanf("")).right, 1.0f);
}

} // namespace
} // namespace orvane
