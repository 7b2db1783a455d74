#include "EngineTestSupport.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <numbers>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

// The timers an idle engine always runs: the 0.2 s tick and the meter tick.
constexpr std::size_t kEngineTimers = 2;
constexpr float kLimiterPreGainDb = -0.8f;

// A file made by scripts/make-fixtures.sh: 3 s of a 1 kHz stereo sine at 44.1 kHz,
// -3 dB on the left and half that on the right.
std::string sineFixture() {
    const auto path = std::filesystem::path(ORVANE_FIXTURES_DIR) / "sine.wav";
    EXPECT_TRUE(std::filesystem::exists(path)) << path << " is missing";
    return path.string();
}

class AudioEngineToneTest : public ::testing::Test {
protected:
    EqUnit& eqUnit() { return rig->host().graph().toneChain().eq(); }
    EqUnit& loudUnit() { return rig->host().graph().toneChain().loudnessEq(); }
    Compressor& compressor() { return rig->host().graph().toneChain().compressor(); }
    PeakLimiter& limiter() { return rig->host().graph().toneChain().limiter(); }

    EngineRig rig;
};

TEST_F(AudioEngineToneTest, EqualiserOffRampsToFlatInEightStepsAndOnlyThenBypasses) {
    rig->setEQGain(0, 8.0f);
    rig->setEQGain(5, -4.0f);
    EXPECT_TRUE(eqUnit().bypassed());
    EXPECT_EQ(eqUnit().bandGain(0), 0.0f); // stored only while the equaliser is off
    rig->setEQEnabled(true);
    EXPECT_FALSE(rig->eqBypassed());
    EXPECT_FALSE(eqUnit().bypassed()); // in circuit before the ramp starts
    rig.loop.advance(0.12);
    EXPECT_EQ(eqUnit().bandGain(0), 8.0f);
    EXPECT_EQ(eqUnit().bandGain(5), -4.0f);

    rig->setEQEnabled(false);
    rig.loop.advance(0.105); // 7 of the 8 steps of 15 ms
    EXPECT_FALSE(rig->eqBypassed());
    EXPECT_FALSE(eqUnit().bypassed());
    EXPECT_FLOAT_EQ(eqUnit().bandGain(0), 1.0f);
    EXPECT_FLOAT_EQ(eqUnit().bandGain(5), -0.5f);
    rig.loop.advance(0.015);
    EXPECT_TRUE(rig->eqBypassed());
    EXPECT_TRUE(eqUnit().bypassed());
    EXPECT_EQ(eqUnit().bandGain(0), 0.0f);
    EXPECT_EQ(eqUnit().bandGain(5), 0.0f);
    EXPECT_EQ(rig.loop.pendingTimerCount(), kEngineTimers);
    rig->setEQEnabled(false); // the same value again: nothing
    EXPECT_EQ(rig.loop.pendingTimerCount(), kEngineTimers);
}

TEST_F(AudioEngineToneTest, EqualiserBackOnRestoresTheGainsSetWhileItWasOff) {
    rig->setEQEnabled(true);
    rig->setEQGain(2, 3.0f);
    EXPECT_EQ(eqUnit().bandGain(2), 3.0f); // on: applied at once, no ramp
    rig->setEQEnabled(false);
    rig.loop.advance(0.12);
    rig->setEQGain(2, -6.0f);
    rig->setEQGain(9, 4.5f);
    EXPECT_EQ(eqUnit().bandGain(2), 0.0f);
    EXPECT_EQ(eqUnit().bandGain(9), 0.0f);
    rig->setEQEnabled(true);
    rig.loop.advance(0.06);
    EXPECT_FLOAT_EQ(eqUnit().bandGain(9), 2.25f);
    rig.loop.advance(0.06);
    EXPECT_EQ(eqUnit().bandGain(2), -6.0f);
    EXPECT_EQ(eqUnit().bandGain(9), 4.5f);
    EXPECT_TRUE(rig->eqEnabled());
    EXPECT_FALSE(eqUnit().bypassed());
}

TEST_F(AudioEngineToneTest, BandIndicesOutsideTheTenBandsChangeNothing) {
    rig->setEQEnabled(true);
    rig.loop.advance(0.12);
    const auto stored = rig->storedEQGains();
    rig->setEQGain(10, 3.0f);
    rig->setEQGain(-1, 3.0f);
    EXPECT_EQ(rig->storedEQGains(), stored);
    for (std::size_t band = 0; band < eqUnit().bandCount(); ++band)
        EXPECT_EQ(eqUnit().bandGain(band), 0.0f) << band;
}

TEST_F(AudioEngineToneTest, LoudnessOffWhileBypassedStartsNothing) {
    rig->setLoudness(false, 0.3);
    EXPECT_EQ(rig.loop.pendingTimerCount(), kEngineTimers);
    EXPECT_TRUE(rig->loudBypassed());
    EXPECT_TRUE(loudUnit().bypassed());
}

TEST_F(AudioEngineToneTest, LoudnessRampsToItsCurveAndBypassesOnceFlatAtFullVolume) {
    rig->setLoudness(true, 0.5);
    EXPECT_FALSE(rig->loudBypassed());
    EXPECT_FALSE(loudUnit().bypassed());
    rig.loop.advance(0.1);
    EXPECT_FLOAT_EQ(loudUnit().bandGain(0), 3.0f);
    rig.loop.advance(0.1);
    EXPECT_FLOAT_EQ(loudUnit().bandGain(0), 6.0f);
    EXPECT_FLOAT_EQ(loudUnit().bandGain(1), 2.5f);

    rig->setLoudness(true, 1.0);
    rig.loop.advance(0.18);
    EXPECT_FALSE(rig->loudBypassed());
    EXPECT_NEAR(loudUnit().bandGain(0), 0.6f, 1e-5f);
    rig.loop.advance(0.02);
    EXPECT_TRUE(rig->loudBypassed());
    EXPECT_TRUE(loudUnit().bypassed());
    EXPECT_EQ(loudUnit().bandGain(0), 0.0f);
    EXPECT_EQ(loudUnit().bandGain(1), 0.0f);
    EXPECT_EQ(rig.loop.pendingTimerCount(), kEngineTimers);

    // Flat from the start: the unit never comes into circuit.
    rig->setLoudness(true, 1.0);
    EXPECT_TRUE(loudUnit().bypassed());
    rig.loop.advance(0.2);
    EXPECT_TRUE(rig->loudBypassed());
    EXPECT_TRUE(loudUnit().bypassed());
}

TEST_F(AudioEngineToneTest, CompressorPresetsSetTheUnitAndTheLimiterReturnsToItsPreGain) {
    EXPECT_TRUE(compressor().bypassed());
    EXPECT_FLOAT_EQ(limiter().preGain(), kLimiterPreGainDb);

    rig->host().graph().setLimiterPreGainDb(-3.0f);
    rig->setCompressor(true, CompressorPreset::radio);
    const CompressorParameters radio = compressor().parameters();
    EXPECT_FALSE(compressor().bypassed());
    EXPECT_FALSE(rig->compressorBypassed());
    EXPECT_FLOAT_EQ(radio.thresholdDb, -22.0f);
    EXPECT_FLOAT_EQ(radio.headRoomDb, 10.0f);
    EXPECT_FLOAT_EQ(radio.attackSeconds, 0.015f);
    EXPECT_FLOAT_EQ(radio.releaseSeconds, 0.18f);
    EXPECT_FLOAT_EQ(radio.overallGainDb, 5.775f);
    EXPECT_FLOAT_EQ(radio.expansionRatio, 1.0f);
    EXPECT_FLOAT_EQ(radio.expansionThresholdDb, -120.0f);
    EXPECT_FLOAT_EQ(limiter().preGain(), kLimiterPreGainDb);

    rig->host().graph().setLimiterPreGainDb(3.0f);
    rig->setCompressor(false, CompressorPreset::radio);
    EXPECT_TRUE(compressor().bypassed());
    EXPECT_TRUE(rig->compressorBypassed());
    EXPECT_FLOAT_EQ(compressor().parameters().headRoomDb, 10.0f); // kept while off
    EXPECT_FLOAT_EQ(limiter().preGain(), kLimiterPreGainDb);

    rig->setCompressor(true, CompressorPreset::maximum);
    EXPECT_FLOAT_EQ(compressor().parameters().headRoomDb, 5.0f);
    rig->host().graph().setLimiterPreGainDb(0.0f);
    rig->setCompressor(true, CompressorPreset::radio);
    const CompressorParameters again = compressor().parameters();
    EXPECT_EQ(again.thresholdDb, radio.thresholdDb);
    EXPECT_EQ(again.headRoomDb, radio.headRoomDb);
    EXPECT_EQ(again.overallGainDb, radio.overallGainDb);
    EXPECT_EQ(again.attackSeconds, radio.attackSeconds);
    EXPECT_EQ(again.releaseSeconds, radio.releaseSeconds);
    EXPECT_FLOAT_EQ(limiter().preGain(), kLimiterPreGainDb);
}

constexpr double kSineHz = 1000.0;

// What a stretch of a sine-wave signal shows at worst: its largest sample, its largest
// step between neighbouring samples, and how far it strays from a pure sine. A sine of
// any amplitude and phase obeys x[n] = 2 cos(w) x[n-1] - x[n-2] exactly, so that
// residual stays near 0 while the level moves smoothly and equals any jump in it.
struct SineShape {
    float peak = 0.0f;
    float step = 0.0f;
    double residual = 0.0;
};

SineShape sineShape(const std::vector<float>& x, std::size_t from) {
    const double c = 2.0 * std::cos(2.0 * std::numbers::pi * kSineHz / 44100.0);
    SineShape s;
    for (std::size_t i = from; i < x.size(); ++i) {
        s.peak = std::max(s.peak, std::abs(x[i]));
        s.step = std::max(s.step, std::abs(x[i] - x[i - 1]));
        const double r = static_cast<double>(x[i]) - c * static_cast<double>(x[i - 1]) +
                         static_cast<double>(x[i - 2]);
        s.residual = std::max(s.residual, std::abs(r));
    }
    return s;
}

TEST_F(AudioEngineToneTest, RampsWhilePlayingNeverClick) {
    // The gains stay below the limiter's threshold throughout, so that only the ramps
    // shape the sine.
    for (int band = 0; band < 10; ++band)
        rig->setEQGain(band, band == 5 ? 4.0f : -2.0f); // band 5 is 1 kHz
    rig->load(sineFixture(), Uuid::random(), 0.0, std::nullopt, 1.0, 0);

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

    // A sine of amplitude A never moves by more than 2 A sin(pi f / fs) between two
    // samples. Measured from just after the sine's own onset out of silence.
    const double ownStep = 2.0 * std::sin(std::numbers::pi * kSineHz / 44100.0);
    const auto from = static_cast<std::size_t>(rig.lookAheadFrames()) + 441;
    for (const auto* channel : {&left, &right}) {
        const SineShape s = sineShape(*channel, from);
        const double peakStep = static_cast<double>(s.peak) * ownStep;
        std::cout << "[ ramps ] peak " << s.peak << ": largest step "
                  << static_cast<double>(s.step) / peakStep
                  << " x the sine's own, largest departure from a pure sine "
                  << s.residual / peakStep << " x\n";
        EXPECT_GT(s.peak, 0.3f);
        EXPECT_LT(s.peak, 0.9f); // the limiter never acted
        EXPECT_LE(static_cast<double>(s.step), peakStep * 1.02);
        // A gain jump of 0.5 dB anywhere would show as about 0.4 here.
        EXPECT_LE(s.residual, peakStep * 0.05);
    }
}

TEST_F(AudioEngineToneTest, CharacterSettingsLeaveTheOutputBitIdentical) {
    EngineRig plain;
    auto setUp = [](EngineRig& r) {
        r->setEQEnabled(true);
        r->setEQGain(3, 5.0f);
        r->setCompressor(true, CompressorPreset::punch);
        r->setLoudness(true, 0.4);
        r->load(engineFixture("full.wav"), Uuid::random(), 0.0, std::nullopt, 0.8, 100);
    };
    setUp(rig);
    setUp(plain);

    CharacterParams vinyl;
    vinyl.fx = CharacterFX::vinyl;
    vinyl.intensity = 100.0;
    vinyl.vinylCrackle = 90.0;
    CharacterParams tape;
    tape.fx = CharacterFX::tape;
    tape.tapeType = TapeType::metal;
    tape.tapeCompression = 100.0;
    tape.tapeWear = 75.0;
    tape.mechNoise = true;
    tape.mechNoiseLevel = 100.0;

    std::size_t compared = 0;
    for (const auto& params : {vinyl, tape, CharacterParams{}, vinyl}) {
        rig->setCharacter(params);
        EXPECT_EQ(rig->character(), params);
        for (int i = 0; i < 30; ++i) {
            rig.run(0.01);
            plain.run(0.01);
            ASSERT_EQ(rig.lastLeft(), plain.lastLeft());
            ASSERT_EQ(rig.lastRight(), plain.lastRight());
            compared += rig.lastLeft().size();
        }
    }
    EXPECT_EQ(compared, 120u * 441u);
    EXPECT_NE(rig.lastLeft(), std::vector<float>(441, 0.0f));
}

} // namespace
} // namespace orvane::test
