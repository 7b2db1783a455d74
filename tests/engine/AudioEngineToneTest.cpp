#include "DSPTestSupport.h"
#include "EngineTestSupport.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

class AudioEngineToneTest : public ::testing::Test {
protected:
    EQUnit& loudUnit() { return rig->host().graph().toneChain()->loudnessEQ(); }

    EngineRig rig;
};

TEST_F(AudioEngineToneTest, LoudnessRampsToItsCurveAndBypassesOnceFlatAtFullVolume) {
    rig->setLoudness(false, 0.3); // off while bypassed: nothing starts
    EXPECT_EQ(rig.loop.pendingTimerCount(), kEngineTimers);
    rig->setLoudness(true, 0.5);
    EXPECT_FALSE(loudUnit().bypassed());
    rig.loop.advance(0.2);
    EXPECT_FLOAT_EQ(loudUnit().bandGain(0), 6.0f);
    EXPECT_FLOAT_EQ(loudUnit().bandGain(1), 2.5f);

    rig->setLoudness(true, 1.0);
    rig.loop.advance(0.18);
    EXPECT_FALSE(rig->loudBypassed());
    EXPECT_NEAR(loudUnit().bandGain(0), 0.6f, 1e-5f);
    rig.loop.advance(0.02);
    EXPECT_TRUE(rig->loudBypassed());
    EXPECT_TRUE(loudUnit().bypassed());
    EXPECT_EQ(loudUnit().bandGain(1), 0.0f);
    EXPECT_EQ(rig.loop.pendingTimerCount(), kEngineTimers);

    // Flat from the start: the unit never comes into circuit.
    rig->setLoudness(true, 1.0);
    EXPECT_TRUE(loudUnit().bypassed());
    rig.loop.advance(0.2);
    EXPECT_TRUE(rig->loudBypassed());
}

TEST_F(AudioEngineToneTest, RampsWhilePlayingNeverClick) {
    // The gains stay below the limiter's threshold throughout, so that only the ramps
    // shape the sine (sine.wav: 3 s of 1 kHz, -3 dB left and half that right).
    for (int band = 0; band < 10; ++band)
        rig->setEQGain(band, band == 5 ? 4.0f : -2.0f); // band 5 is 1 kHz
    rig->load(fixtureFile("sine.wav"), Uuid::random(), 0.0, std::nullopt, 1.0, 0);

    // The output pulls blocks of uneven sizes while the ramps' timers fire in between.
    std::vector<float> left;
    std::vector<float> right;
    std::size_t turn = 0;
    auto play = [&](double seconds) {
        static constexpr std::size_t kBlocks[] = {441, 64, 1000, 17, 2048, 300};
        for (double t = 0.0; t < seconds;) {
            const std::size_t frames = kBlocks[turn++ % std::size(kBlocks)];
            rig.runFrames(frames);
            left.insert(left.end(), rig.lastLeft().begin(), rig.lastLeft().end());
            right.insert(right.end(), rig.lastRight().begin(), rig.lastRight().end());
            t += static_cast<double>(frames) / 44100.0;
        }
    };
    play(0.1);
    rig->setEQEnabled(true);      // 120 ms up to +4 dB at 1 kHz
    rig->setNormGain(0.5, false); // 200 ms down to -6 dB, from bypass
    play(0.3);
    rig->setLoudness(true, 0.6);
    rig->setNormGain(0.8, false);
    play(0.3);
    rig->setEQEnabled(false); // back to flat, then bypassed
    rig->setNormGain(1.0, false);
    rig->setLoudness(false, 0.2);
    play(0.4);
    ASSERT_TRUE(rig->eqBypassed());
    ASSERT_TRUE(rig->normBypassed());
    ASSERT_TRUE(rig->loudBypassed());
    ASSERT_TRUE(rig->isPlaying);

    // Measured from just after the sine's own onset out of silence: never a step larger
    // than the sine's own, and close to a pure sine throughout (a gain jump of 0.5 dB
    // anywhere would depart from it by about 0.4 of the sine's step).
    const auto from = static_cast<std::size_t>(rig.lookAheadFrames()) + 441;
    for (const auto* channel : {&left, &right}) {
        const float peak = dsptest::peakAbs(*channel, from);
        const double ownStep = static_cast<double>(dsptest::toneStep(peak, 1000.0, 44100.0));
        EXPECT_GT(peak, 0.3f);
        EXPECT_LT(peak, 0.9f); // the limiter never acted
        EXPECT_LE(dsptest::largestStep(*channel, from, channel->size()), ownStep * 1.02);
        EXPECT_LE(
            dsptest::largestDeviationFromTone(*channel, from, channel->size(), 1000.0, 44100.0),
            ownStep * 0.05);
    }
}

} // namespace
} // namespace orvane::test
