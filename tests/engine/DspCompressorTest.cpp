#include "engine/DspTestSupport.h"
#include "engine/dsp/Compressor.h"
#include "engine/dsp/CompressorPresets.h"

#include <cmath>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace orvane {
namespace {

using namespace dsptest;

constexpr double kRate = 48000.0;

void run(Compressor& comp, Stereo& s, std::size_t block = 512) {
    inBlocks(s, block, [&](float* l, float* r, std::size_t n) { comp.process(l, r, n); });
}

// Peak level (dBFS) of a 1 kHz tone of peak `levelDb` after two seconds through `comp`.
// At 48 kHz every 48th sample of the tone is a crest, so the peak is measured exactly.
double settledOutputDb(Compressor& comp, double levelDb) {
    const auto frames = static_cast<std::size_t>(2.0 * kRate);
    Stereo s = sine(1000.0, dbToAmp(levelDb), kRate, frames);
    run(comp, s);
    return ampToDb(static_cast<double>(peakAbs(s.left, frames - frames / 10)));
}

// The gain in dB (output crest over input crest) `comp` applies in each millisecond of
// a 1 kHz tone whose peak is `levelsDb[k]` during second k (silence where none).
std::vector<double> gainPerMillisecond(Compressor& comp,
                                       const std::vector<std::optional<double>>& levelsDb) {
    const auto second = static_cast<std::size_t>(kRate);
    Stereo in = sine(1000.0, 1.0, kRate, levelsDb.size() * second);
    for (std::size_t i = 0; i < in.size(); ++i) {
        const auto& level = levelsDb[i / second];
        in.left[i] *= level ? dbToAmp(*level) : 0.0f;
        in.right[i] = in.left[i];
    }
    Stereo out = in;
    run(comp, out, 256);
    std::vector<double> gains;
    const std::size_t cycle = 48;
    for (std::size_t i = 0; i + cycle <= in.size(); i += cycle)
        gains.push_back(ampToDb(
            static_cast<double>(peakAbs(out.left, i, i + cycle) / peakAbs(in.left, i, i + cycle))));
    return gains;
}

class DspCompressorPreset : public ::testing::TestWithParam<CompressorPreset> {};

TEST_P(DspCompressorPreset, SteadyToneSettlesOnTheStaticCurve) {
    const auto preset = GetParam();
    const auto row = compressorPresetValues(preset);
    const double t = static_cast<double>(row.thresholdDb);
    const double headRoom = static_cast<double>(row.headRoomDb);
    const double makeUp = static_cast<double>(row.makeUpGainDb);

    Compressor comp(kRate);
    applyCompressorPreset(comp, preset);
    comp.reset();
    const CompressorCurve curve = comp.curve();

    for (double level : {-45.0, t - 6.0, t - 2.0, t, t + 2.0, t + 8.0, -6.0, -1.0, 0.0}) {
        const double out = settledOutputDb(comp, level);
        // Outside the knee the curve is plain: unchanged below the threshold, and
        // above it 40 dB of input take up the head room.
        double expected = curve.outputDb(level) + makeUp;
        if (level <= t - 3.0)
            expected = level + makeUp;
        else if (level >= t + 3.0)
            expected = t + (level - t) * headRoom / 40.0 + makeUp;
        EXPECT_NEAR(out, expected, 0.5) << "input " << level << " dB";
    }
}

INSTANTIATE_TEST_SUITE_P(Presets, DspCompressorPreset, ::testing::ValuesIn(allCompressorPresets),
                         [](const auto& param) { return std::string(rawValue(param.param)); });

// Settings outside the presets: a tight head room bounds even a hot input, and the
// expander lowers what falls below its threshold by its ratio.
TEST(DspCompressor, HeadRoomAndExpanderShapeTheStaticCurve) {
    struct Case {
        float thresholdDb, headRoomDb, expansionRatio, expansionThresholdDb, attackSeconds;
        double levelDb, expectedDb, toleranceDb;
    };
    for (const auto& c :
         {Case{-40, 2, 1, -120, 0.001f, -10, -40.0 + 30.0 * 2.0 / 40.0, 0.5},
          Case{-40, 2, 1, -120, 0.001f, 0, -38.2, 0.4},
          Case{-40, 2, 1, -120, 0.001f, 12, -38.2, 0.4}, Case{20, 5, 2, -50, 0.002f, -30, -30, 0.1},
          Case{20, 5, 2, -50, 0.002f, -60, -50.0 - 2.0 * 10.0, 0.5},
          Case{20, 5, 2, -50, 0.002f, -70, -50.0 - 2.0 * 20.0, 0.5}}) {
        SCOPED_TRACE(::testing::Message()
                     << "threshold " << c.thresholdDb << ", input " << c.levelDb);
        CompressorParameters p;
        p.thresholdDb = c.thresholdDb;
        p.headRoomDb = c.headRoomDb;
        p.expansionRatio = c.expansionRatio;
        p.expansionThresholdDb = c.expansionThresholdDb;
        p.attackSeconds = c.attackSeconds;
        Compressor comp(kRate);
        comp.setParameters(p);
        comp.reset();
        EXPECT_NEAR(settledOutputDb(comp, c.levelDb), c.expectedDb, c.toleranceDb);
    }
}

TEST(DspCompressor, ExpanderOpensWithinAFewAttackTimesAfterSilence) {
    Compressor comp(kRate);
    CompressorParameters p;
    p.thresholdDb = 20.0f;
    p.expansionRatio = 50.0f; // a gate, shut tight by a second of silence
    p.expansionThresholdDb = -40.0f;
    p.attackSeconds = 0.005f;
    p.releaseSeconds = 0.05f;
    comp.setParameters(p);
    comp.reset();
    const auto gains = gainPerMillisecond(comp, {std::nullopt, -10.0});
    EXPECT_LT(gains[1000 + 1], -20.0);       // still closed as the tone starts
    EXPECT_NEAR(gains[1000 + 25], 0.0, 1.0); // five attack times later: open
}

TEST(DspCompressor, GainFollowsAttackAndReleaseTimes) {
    // Radio: a tone jumping from -40 to -6 dB is pulled down by (1 - 10/40) x 16 = 12 dB,
    // reaching 63 % of that after one attack time (15 ms) and letting go with the
    // release time (180 ms) once the tone drops again.
    Compressor comp(kRate);
    applyCompressorPreset(comp, CompressorPreset::radio);
    comp.reset();
    const double makeUp = 5.775;
    const auto gains = gainPerMillisecond(comp, {-40.0, -6.0, -40.0});
    auto reductionAt = [&](std::size_t ms) {
        return makeUp - gains[ms];
    };

    EXPECT_NEAR(reductionAt(990), 0.0, 0.05);
    EXPECT_LT(reductionAt(1000 + 5), 0.5 * 12.0);
    EXPECT_NEAR(reductionAt(1000 + 15), 0.63 * 12.0, 1.5);
    EXPECT_GT(reductionAt(1000 + 45), 0.9 * 12.0);
    EXPECT_NEAR(reductionAt(1990), 12.0, 0.5);

    EXPECT_GT(reductionAt(2000 + 36), 0.5 * 12.0);
    EXPECT_NEAR(reductionAt(2000 + 180), 0.37 * 12.0, 1.5);
    EXPECT_LT(reductionAt(2000 + 540), 0.1 * 12.0);
}

TEST(DspCompressor, ChannelsShareOneGainSetByTheLouderChannel) {
    Compressor comp(kRate);
    applyCompressorPreset(comp, CompressorPreset::maximum);
    comp.reset();
    const auto frames = static_cast<std::size_t>(kRate);
    Stereo in = sine(1000.0, dbToAmp(-6.0), kRate, frames);
    for (auto& v : in.right)
        v *= dbToAmp(-34.0); // right at -40 dB, far below the threshold
    Stereo out = in;
    run(comp, out);
    const std::size_t begin = frames / 2;
    const double leftGain = ampToDb(toneAmplitude(out.left, begin, frames, 1000.0, kRate) /
                                    toneAmplitude(in.left, begin, frames, 1000.0, kRate));
    const double rightGain = ampToDb(toneAmplitude(out.right, begin, frames, 1000.0, kRate) /
                                     toneAmplitude(in.right, begin, frames, 1000.0, kRate));
    EXPECT_NEAR(leftGain, rightGain, 0.01);
    EXPECT_LT(rightGain, 0.0); // the quiet right is pulled down with the left
}

TEST(DspCompressor, BypassedUnitPassesSamplesBitForBit) {
    Compressor comp(kRate, /*bypassed=*/true);
    applyCompressorPreset(comp, CompressorPreset::maximum);
    const Stereo in = noise(0.9, 48000, 11);
    Stereo out = in;
    run(comp, out, 333);
    EXPECT_TRUE(bitIdentical(in, out));

    // Switched out while compressing: a wire again once the crossfade is over.
    comp.setBypass(false);
    Stereo busy = noise(0.9, 48000, 12);
    run(comp, busy);
    comp.setBypass(true);
    busy = noise(0.9, 4800, 13);
    run(comp, busy);
    out = in;
    run(comp, out, 333);
    EXPECT_TRUE(bitIdentical(in, out));
}

// Switched out, switched in, to another preset and to another make-up gain.
TEST(DspCompressor, SwitchingAndParameterChangesDoNotClick) {
    const auto quarter = static_cast<std::size_t>(kRate / 4);
    for (int change = 0; change < 4; ++change) {
        SCOPED_TRACE(change);
        Compressor comp(kRate, /*bypassed=*/change == 1);
        applyCompressorPreset(comp,
                              change == 2 ? CompressorPreset::gentle : CompressorPreset::radio);
        const auto process = [&](float* l, float* r, std::size_t n) {
            comp.process(l, r, n);
        };
        const auto act = [&](std::size_t done) {
            if (done < quarter)
                return;
            if (change < 2)
                comp.setBypass(change == 0);
            else if (change == 2)
                applyCompressorPreset(comp, CompressorPreset::maximum);
            else
                comp.setParameter(DynamicsParameter::overallGain, 15.0f);
        };
        EXPECT_LT(deviationOverOwnStep(kRate, 200.0, dbToAmp(-6.0), 480, process, act), 0.5);
    }
}

TEST(DspCompressor, SwitchedInItStartsAtTheSettledLevelWithoutSwelling) {
    Compressor comp(kRate, /*bypassed=*/true);
    applyCompressorPreset(comp, CompressorPreset::radio);
    const auto frames = static_cast<std::size_t>(kRate);
    Stereo s = sine(1000.0, dbToAmp(-3.0), kRate, frames);
    std::size_t done = 0;
    inBlocks(s, 256, [&](float* l, float* r, std::size_t n) {
        if (done >= frames / 4)
            comp.setBypass(false);
        comp.process(l, r, n);
        done += n;
    });
    const double settled = ampToDb(static_cast<double>(peakAbs(s.left, frames * 3 / 4)));
    const double afterSwitch =
        ampToDb(static_cast<double>(peakAbs(s.left, frames / 4 + 1024, frames * 3 / 4)));
    EXPECT_LT(afterSwitch, settled + 0.5);
}

// A head room of zero would divide by zero; not a number would reach the audio.
TEST(DspCompressor, ParametersAreClampedToTheirRanges) {
    Compressor comp(kRate);
    comp.setParameter(DynamicsParameter::headRoom, 0.0f);
    EXPECT_FLOAT_EQ(comp.parameter(DynamicsParameter::headRoom), 0.1f);
    comp.setParameter(DynamicsParameter::releaseTime, std::nanf(""));
    EXPECT_FLOAT_EQ(comp.parameter(DynamicsParameter::releaseTime),
                    Compressor::range(DynamicsParameter::releaseTime).initial);
}

} // namespace
} // namespace orvane
