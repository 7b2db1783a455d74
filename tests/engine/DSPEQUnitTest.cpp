#include "engine/DSPTestSupport.h"
#include "engine/dsp/EQLayouts.h"
#include "engine/dsp/EQUnit.h"

#include <cmath>
#include <memory>

#include <gtest/gtest.h>

namespace orvane {
namespace {

using namespace dsptest;

// Gain in dB that `unit`, settled at its settings, applies to a steady tone at
// `frequency`, measured on the signal after the filters have settled.
double measuredGainDb(EQUnit& unit, double frequency, double seconds = 1.5) {
    unit.reset();
    const double fs = unit.sampleRate();
    const auto frames = static_cast<std::size_t>(seconds * fs);
    const Stereo in = sine(frequency, 0.25, fs, frames);
    Stereo out = in;
    inBlocks(out, 512, [&](float* l, float* r, std::size_t n) { unit.process(l, r, n); });
    const std::size_t begin = frames / 3;
    return ampToDb(toneAmplitude(out.left, begin, frames, frequency, fs) /
                   toneAmplitude(in.left, begin, frames, frequency, fs));
}

// Gain for a steady signal given whole (DC or Nyquist), after settling.
double measuredGainDb(EQUnit& unit, const Stereo& in) {
    unit.reset();
    Stereo out = in;
    inBlocks(out, 512, [&](float* l, float* r, std::size_t n) { unit.process(l, r, n); });
    return ampToDb(static_cast<double>(std::abs(out.left.back()) / std::abs(in.left.back())));
}

// A graphic equaliser with one band at `db` and the rest flat.
std::unique_ptr<EQUnit> graphicEQWithBand(double fs, std::size_t band, float db) {
    auto eq = std::make_unique<EQUnit>(fs, graphicEQBands());
    eq->setBandGain(band, db);
    return eq;
}

class DSPGraphicEQ : public ::testing::TestWithParam<double> {};

// Every peaking band has its gain at its centre and is one octave wide: half its dB
// gain half an octave either side (checked up to 2 kHz, where the bilinear transform
// still leaves the bell symmetric), and nothing two octaves up.
TEST_P(DSPGraphicEQ, PeakingBandsHaveTheirGainAtTheCentreAndAreOneOctaveWide) {
    const double fs = GetParam();
    for (std::size_t band = 1; band + 1 < kGraphicEQBands; ++band) {
        SCOPED_TRACE(::testing::Message() << "band " << band);
        for (float db : {12.0f, -9.0f, 3.5f}) {
            auto eq = graphicEQWithBand(fs, band, db);
            EXPECT_NEAR(measuredGainDb(*eq, eqFrequencies[band]), db, 0.1) << db << " dB";
        }
        if (band > 6)
            continue;
        auto eq = graphicEQWithBand(fs, band, 12.0f);
        EXPECT_NEAR(measuredGainDb(*eq, eqFrequencies[band] / std::sqrt(2.0)), 6.0, 0.1);
        EXPECT_NEAR(measuredGainDb(*eq, eqFrequencies[band] * std::sqrt(2.0)), 6.0, 0.1);
        EXPECT_NEAR(measuredGainDb(*eq, eqFrequencies[band] * 4.0), 0.0, 0.7);
    }
}

TEST_P(DSPGraphicEQ, ShelvesReachTheirGainInTheirPassRegion) {
    const double fs = GetParam();
    const auto frames = static_cast<std::size_t>(fs);
    for (double db : {10.0, -8.0}) {
        auto low = graphicEQWithBand(fs, 0, static_cast<float>(db));
        EXPECT_NEAR(measuredGainDb(*low, constant(0.1f, frames)), db, 0.1);
        EXPECT_NEAR(measuredGainDb(*low, 31.0), db / 2.0, 0.1); // corner: half way
        EXPECT_NEAR(measuredGainDb(*low, 1000.0), 0.0, 0.05);

        auto high = graphicEQWithBand(fs, kGraphicEQBands - 1, static_cast<float>(db));
        EXPECT_NEAR(measuredGainDb(*high, nyquist(0.1f, frames)), db, 0.1);
        EXPECT_NEAR(measuredGainDb(*high, 16000.0), db / 2.0, 0.1);
        EXPECT_NEAR(measuredGainDb(*high, 1000.0), 0.0, 0.05);
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, DSPGraphicEQ, ::testing::Values(44100.0, 48000.0));

TEST(DSPEQUnit, LoudnessShelvesSitAt100HzAnd8kHz) {
    const double fs = 48000.0;
    EQUnit loud(fs, loudnessEQBands());
    loud.setBandGain(0, 12.0f);
    loud.setBandGain(1, 5.0f);
    EXPECT_NEAR(measuredGainDb(loud, constant(0.1f, 48000)), 12.0, 0.1);
    EXPECT_NEAR(measuredGainDb(loud, 100.0), 6.0, 0.15); // the high shelf adds a hair
    EXPECT_NEAR(measuredGainDb(loud, 8000.0), 2.5, 0.1);
    EXPECT_NEAR(measuredGainDb(loud, nyquist(0.1f, 48000)), 5.0, 0.1);
    EXPECT_NEAR(measuredGainDb(loud, 1000.0), 0.0 + 0.03, 0.1); // between the shelves
}

// `s` after `unit`, in blocks of `block` frames.
Stereo through(EQUnit& unit, Stereo s, std::size_t block = 256) {
    inBlocks(s, block, [&](float* l, float* r, std::size_t n) { unit.process(l, r, n); });
    return s;
}

// A flat unit, a bypassed one whatever its gains, a band ramped back to 0 dB (once it
// has rung out) and a unit switched out while boosted all pass samples bit for bit.
TEST(DSPEQUnit, FlatOrBypassedUnitsPassSamplesBitForBit) {
    const double fs = 48000.0;
    const auto frames = static_cast<std::size_t>(fs);
    const Stereo in = noise(0.5, frames, 3);
    EQUnit flat(fs, graphicEQBands());
    EXPECT_TRUE(bitIdentical(in, through(flat, in, 300)));
    EQUnit bypassed(fs, graphicEQBands(), /*bypassed=*/true);
    for (std::size_t band = 0; band < kGraphicEQBands; ++band)
        bypassed.setBandGain(band, 9.0f);
    EXPECT_TRUE(bitIdentical(in, through(bypassed, in, 300)));

    EQUnit eq(fs, graphicEQBands());
    eq.setBandGain(4, -6.0f);
    through(eq, noise(0.5, frames, 1));
    eq.setBandGain(4, 0.0f);
    through(eq, noise(0.5, frames, 2));
    EXPECT_TRUE(bitIdentical(in, through(eq, in)));
    eq.setBandGain(0, 6.0f);
    eq.setBypass(true);
    through(eq, noise(0.5, frames, 4));
    EXPECT_TRUE(bitIdentical(in, through(eq, in)));
}

TEST(DSPEQUnit, GainsAreClampedAndUnknownBandsIgnored) {
    EQUnit eq(48000.0, graphicEQBands());
    eq.setBandGain(10, 3.0f);
    EXPECT_EQ(eq.bandGain(10), 0.0f);
    eq.setBandGain(2, 40.0f);
    EXPECT_EQ(eq.bandGain(2), EQUnit::kMaxGainDb);
    eq.setBandGain(3, std::nanf(""));
    EXPECT_EQ(eq.bandGain(3), 0.0f);
}

// A preset moves a band by its whole gain in one step, and switching a boosted unit in
// crossfades: neither bends a 62 Hz tone by more than a twentieth of its own step.
TEST(DSPEQUnit, GainStepsAndSwitchingInDoNotClick) {
    const double fs = 48000.0;
    const auto quarter = static_cast<std::size_t>(fs / 4);
    for (const bool switchIn : {false, true}) {
        SCOPED_TRACE(switchIn);
        EQUnit eq(fs, graphicEQBands(), switchIn);
        if (switchIn)
            eq.setBandGain(1, 12.0f);
        EXPECT_LT(deviationOverOwnStep(
                      fs, 62.0, 0.25, 512,
                      [&](float* l, float* r, std::size_t n) { eq.process(l, r, n); },
                      [&](std::size_t done) {
                          if (done < quarter)
                              return;
                          if (switchIn)
                              eq.setBypass(false);
                          else
                              eq.setBandGain(1, 12.0f);
                      }),
                  0.05);
    }
}

} // namespace
} // namespace orvane
