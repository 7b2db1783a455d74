#include "engine/DSPTestSupport.h"
#include "engine/dsp/Compressor.h"
#include "engine/dsp/CompressorPresets.h"

#include <cmath>
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

class DSPCompressorPreset : public ::testing::TestWithParam<CompressorPreset> {};

TEST_P(DSPCompressorPreset, SteadyToneSettlesOnTheStaticCurve) {
    const auto preset = GetParam();
    const auto row = compressorPresetValues(preset);
    const double t = static_cast<double>(row.thresholdDb);
    const double headRoom = static_cast<double>(row.headRoomDb);
    const double makeUp = static_cast<double>(row.makeUpGainDb);

    Compressor comp(kRate);
    applyCompressorPreset(comp, preset);
    comp.reset();
    const CompressorCurve curve = comp.curve();

    for (double level : {-45.0, t - 2.0, t + 2.0, t + 8.0, 0.0}) {
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

INSTANTIATE_TEST_SUITE_P(Presets, DSPCompressorPreset, ::testing::ValuesIn(allCompressorPresets),
                         [](const auto& param) { return std::string(rawValue(param.param)); });

// Switched out while compressing: a wire once the crossfade is over.
TEST(DSPCompressor, BypassedUnitPassesSamplesBitForBit) {
    Compressor comp(kRate);
    applyCompressorPreset(comp, CompressorPreset::maximum);
    Stereo busy = noise(0.9, 48000, 12);
    run(comp, busy);
    comp.setBypass(true);
    busy = noise(0.9, 4800, 13);
    run(comp, busy);
    const Stereo in = noise(0.9, 48000, 11);
    Stereo out = in;
    run(comp, out, 333);
    EXPECT_TRUE(bitIdentical(in, out));
}

// Switched out, switched in, to another preset and to another make-up gain.
TEST(DSPCompressor, SwitchingAndParameterChangesDoNotClick) {
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

} // namespace
} // namespace orvane
