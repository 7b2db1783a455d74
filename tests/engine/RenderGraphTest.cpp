// The host's render path: the player node reading the decoder's stream, the graph
// after it, and the format converter that feeds the stream.

#include "engine/host/RenderGraph.h"

#include "engine/dsp/GainRamp.h"
#include "engine/host/AudioRing.h"
#include "engine/host/FormatConverter.h"
#include "engine/host/PlayerNode.h"
#include "engine/host/StreamMarker.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

class PlayerNodeTest : public ::testing::Test {
protected:
    // The decoder's side of the stream, written by hand: the start of a schedule, and
    // frames whose left sample is their value and right sample its negative.
    void mark(std::uint64_t schedule) {
        ASSERT_TRUE(
            markers.push({StreamMarker::Kind::ScheduleStart, ring.writePosition(), schedule, 0}));
    }
    void write(float first, std::size_t count) {
        std::vector<float> left(count);
        std::vector<float> right(count);
        std::iota(left.begin(), left.end(), first);
        std::transform(left.begin(), left.end(), right.begin(), std::negate<>());
        ASSERT_LE(count, ring.writable());
        ring.write(left.data(), right.data(), count);
    }
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
};

TEST_F(PlayerNodeTest, PlaysOnlyTheRequestedScheduleRestartsItsClockAndPausesInPlace) {
    player.setSchedule(1);
    player.setPlaying(true);
    mark(1);
    write(100.0f, 20);
    EXPECT_EQ(render(8)[0], 100.0f);
    player.setPlaying(false); // paused: silence, and the place is kept
    EXPECT_EQ(render(10), std::vector<float>(10, 0.0f));
    player.setPlaying(true);
    EXPECT_EQ(render(1)[0], 108.0f);
    EXPECT_EQ(player.clock().playerFrames, 9);

    // A seek: the rest of schedule 1 is stale, even the part written after the request.
    player.setSchedule(2);
    write(120.0f, 5);
    mark(2);
    write(500.0f, 10);
    const auto out = render(6);
    EXPECT_EQ(out, (std::vector<float>{500, 501, 502, 503, 504, 505}));
    EXPECT_EQ(player.clock().schedule, 2u);
    EXPECT_EQ(player.clock().playerFrames, 6);

    // Paused with the ring full of a schedule no longer wanted: the ring is emptied so
    // that the decoder can refill it.
    player.setPlaying(false);
    write(31.0f, ring.writable());
    player.setSchedule(3);
    EXPECT_EQ(render(4), std::vector<float>(4, 0.0f));
    EXPECT_EQ(ring.writable(), 64u);
}

// The limiter's resting pre-gain of -0.8 dB as the factor it applies.
const float kLimiterGain = static_cast<float>(std::pow(10.0, static_cast<double>(-0.8f) / 20.0));

// The declicker's ramp at 44.1 kHz (3 ms): a signal starting from silence off zero
// glides in over it.
constexpr std::size_t kDeclickFrames = 132;

// A graph whose player plays a constant 0.5 on both sides for as long as the test feeds it.
// The limiter is always in circuit: its output carries that signal at -0.8 dB, its
// look-ahead later.
class RenderGraphTest : public ::testing::Test {
protected:
    RenderGraphTest() {
        graph.setSampleRate(44100.0);
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
    std::size_t lookAhead() const {
        return static_cast<std::size_t>(graph.processingLatencyFrames());
    }
    // Plays the look-ahead full, so that the next block's output is the player's signal
    // from its first frame (past the glide in from silence).
    void prime() { render(lookAhead() + kDeclickFrames); }

    AudioRing ring{1 << 14};
    MarkerQueue markers;
    CompletionQueue completions;
    PlayerNode player{ring, markers, completions};
    RenderGraph graph{player};
    std::vector<float> left;
    std::vector<float> right;
};

TEST_F(RenderGraphTest, UnityGainsPassThePlayerOutputThroughTheLimiterAlone) {
    ASSERT_GT(lookAhead(), 0u);
    render(lookAhead() + 300);
    // Exactly the look-ahead of silence, then (past the glide in from silence) the
    // player's signal at the limiter's pre-gain.
    int wrong = 0;
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (i >= lookAhead() && i < lookAhead() + kDeclickFrames)
            continue;
        const float expected = i < lookAhead() ? 0.0f : 0.5f * kLimiterGain;
        if (std::abs(left[i] - expected) > 1e-7f || std::abs(right[i] - expected) > 1e-7f)
            ++wrong;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_FLOAT_EQ(left.back(), 0.5f * kLimiterGain);
}

TEST_F(RenderGraphTest, GainChangesRampAcrossOneBlockInsteadOfJumping) {
    prime();
    render(100);
    graph.setVolume(0.5f);
    render(100);
    // From 1 towards 0.5 in equal steps, reaching it at the block's last frame.
    const float signal = 0.5f * kLimiterGain;
    EXPECT_NEAR(left[0], signal * (1.0f - 0.5f / 100.0f), 1e-6f);
    EXPECT_NEAR(left[49], signal * 0.75f, 1e-6f);
    EXPECT_NEAR(left[99], signal * 0.5f, 1e-6f);
    for (std::size_t i = 1; i < left.size(); ++i)
        EXPECT_LT(left[i], left[i - 1]);
    render(100);
    for (const float sample : left)
        EXPECT_FLOAT_EQ(sample, signal * 0.5f);
}

TEST_F(RenderGraphTest, PanIsABalanceThatKeepsTheNearSideAtUnity) {
    graph.setPan(0.5f);
    prime(); // nothing sounded before: the gains start at their targets
    render(10);
    EXPECT_FLOAT_EQ(left[5], 0.25f * kLimiterGain);
    EXPECT_FLOAT_EQ(right[5], 0.5f * kLimiterGain);
    graph.setPan(-1.0f);
    render(10);
    render(10);
    EXPECT_FLOAT_EQ(left[5], 0.5f * kLimiterGain);
    EXPECT_FLOAT_EQ(right[5], 0.0f);
    EXPECT_FLOAT_EQ(panGains(std::nanf("")).left, 1.0f); // not a number is the centre
}

TEST_F(RenderGraphTest, ATailStillInTheLookAheadIsFadedNotCutOff) {
    prime();
    player.setPlaying(false);
    render(10); // the player is silent, but the limiter still holds sound
    graph.setFadeLevel(0.0f);
    player.setPlaying(true);
    render(100);
    // The sound still coming out of the look-ahead ramps down from where it was.
    EXPECT_NEAR(left[0], 0.5f * kLimiterGain * (1.0f - 1.0f / 100.0f), 1e-6f);
    for (std::size_t i = 1; i < left.size(); ++i)
        EXPECT_LT(left[i], left[i - 1]);
    EXPECT_EQ(left.back(), 0.0f);
}

// Settings made before any rate is known, or on the chain of another rate, all reach
// the chain built for the next rate; no chain exists until a rate does.
TEST(RenderGraphRateTest, ANewRateBuildsOneChainThatKeepsEverySetting) {
    AudioRing ring{1 << 10};
    MarkerQueue markers;
    CompletionQueue completions;
    PlayerNode player{ring, markers, completions};
    RenderGraph graph{player};
    EXPECT_EQ(graph.toneChain(), nullptr);
    graph.setEQBandGainDb(3, 4.5f);
    graph.setEQBypassed(false);
    graph.setLoudBandGainDb(1, 2.5f);
    graph.setLoudBypassed(false);
    graph.setLimiterPreGainDb(-2.0f);
    graph.setSampleRate(48000.0);
    ASSERT_NE(graph.toneChain(), nullptr);
    EXPECT_EQ(graph.processingLatencyFrames(), 575); // 12 ms at 48 kHz, less one
    CompressorParameters parameters;
    parameters.headRoomDb = 10.0f;
    graph.setCompressorParameters(parameters);
    graph.setCompressorBypassed(false);

    graph.setSampleRate(96000.0);
    ToneChain* chain = graph.toneChain();
    EXPECT_EQ(graph.processingLatencyFrames(), 1151);
    EXPECT_EQ(chain->eq().bandGain(3), 4.5f);
    EXPECT_FALSE(chain->eq().bypassed());
    EXPECT_EQ(chain->loudnessEQ().bandGain(1), 2.5f);
    EXPECT_EQ(chain->compressor().parameters().headRoomDb, 10.0f);
    EXPECT_FALSE(chain->compressor().bypassed());
    EXPECT_EQ(chain->limiter().preGain(), -2.0f);
    // However often the rate changes, only the live chain stays in memory.
    for (double rate : {44100.0, 88200.0, 48000.0, 192000.0, 44100.0})
        graph.setSampleRate(rate);
    EXPECT_EQ(graph.heldToneChains(), 1u);
}

// A rate change while a render is under way (the tap runs inside it) must not free the
// chain that render is still using; the next change on the control side does.
TEST_F(RenderGraphTest, AChainReplacedDuringARenderIsFreedOnlyAfterIt) {
    struct SwapDuringRender final : RenderTap {
        void onRender(const float*, const float*, std::size_t) noexcept override {
            if (heldInside == 0) {
                graph->setSampleRate(96000.0);
                heldInside = graph->heldToneChains();
            }
        }
        RenderGraph* graph = nullptr;
        std::size_t heldInside = 0;
    } swap;
    swap.graph = &graph;
    graph.setTap(TapPoint::Player, &swap);
    render(lookAhead() + 400); // the rest of this block runs through the retired chain
    graph.setTap(TapPoint::Player, nullptr);
    EXPECT_EQ(swap.heldInside, 2u);
    EXPECT_EQ(left.back(), 0.5f * kLimiterGain);
    EXPECT_EQ(graph.heldToneChains(), 2u);
    graph.setSampleRate(48000.0);
    EXPECT_EQ(graph.heldToneChains(), 1u);
}

TEST(FormatConverterTest, ResampledOutputIsAlignedAndEndsAtTheComputedLength) {
    // An impulse at input frame 1000 of 44.1 kHz belongs at 1000 * 48000 / 44100 =
    // 1088.4 output frames: the largest sample must be at 1088.
    std::vector<float> impulse(4410, 0.0f);
    impulse[1000] = 1.0f;
    FormatConverter converter(44100, 2, 48000);
    ASSERT_TRUE(converter.resamples());
    StereoFrames out;
    const float* channels[2] = {impulse.data(), impulse.data()};
    converter.convert(channels, impulse.size(), out);
    converter.drain(out);
    const auto peak = std::max_element(out.left.begin(), out.left.end(),
                                       [](float a, float b) { return std::abs(a) < std::abs(b); });
    EXPECT_EQ(peak - out.left.begin(), 1088);
    EXPECT_EQ(converter.outputFrames(4410), 4800);
    EXPECT_EQ(converter.outputFrames(4411), 4802); // rounds up: the frame at or after the end
    EXPECT_EQ(out.size(), 4800u);
}

} // namespace
} // namespace orvane
