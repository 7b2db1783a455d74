#include "engine/DspTestSupport.h"
#include "engine/dsp/EqLayouts.h"
#include "engine/dsp/EqUnit.h"

#include <cmath>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace orvane {
namespace {

using namespace dsptest;

// Gain in dB that `unit`, settled at its settings, applies to a steady tone at
// `frequency`, measured on the signal after the filters have settled.
double measuredGainDb(EqUnit& unit, double frequency, double seconds = 1.5) {
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
double measuredGainDb(EqUnit& unit, const Stereo& in) {
    unit.reset();
    Stereo out = in;
    inBlocks(out, 512, [&](float* l, float* r, std::size_t n) { unit.process(l, r, n); });
    return ampToDb(static_cast<double>(std::abs(out.left.back()) / std::abs(in.left.back())));
}

// A graphic equaliser with one band at `db` and the rest flat.
std::unique_ptr<EqUnit> graphicEqWithBand(double fs, std::size_t band, float db) {
    auto eq = std::make_unique<EqUnit>(fs, graphicEqBands());
    eq->setBandGain(band, db);
    return eq;
}

class DspGraphicEq : public ::testing::TestWithParam<double> {};

// Every peaking band has its gain at its centre and is one octave wide: half its dB
// gain half an octave either side (checked up to 2 kHz, where the bilinear transform
// still leaves the bell symmetric), and nothing two octaves up.
TEST_P(DspGraphicEq, PeakingBandsHaveTheirGainAtTheCentreAndAreOneOctaveWide) {
    const double fs = GetParam();
    for (std::size_t band = 1; band + 1 < kGraphicEqBands; ++band) {
        SCOPED_TRACE(::testing::Message() << "band " << band);
        for (float db : {12.0f, -9.0f, 3.5f}) {
            auto eq = graphicEqWithBand(fs, band, db);
            EXPECT_NEAR(measuredGainDb(*eq, eqFrequencies[band]), db, 0.1) << db << " dB";
        }
        if (band > 6)
            continue;
        auto eq = graphicEqWithBand(fs, band, 12.0f);
        EXPECT_NEAR(measuredGainDb(*eq, eqFrequencies[band] / std::sqrt(2.0)), 6.0, 0.1);
        EXPECT_NEAR(measuredGainDb(*eq, eqFrequencies[band] * std::sqrt(2.0)), 6.0, 0.1);
        EXPECT_NEAR(measuredGainDb(*eq, eqFrequencies[band] * 4.0), 0.0, 0.7);
    }
}

TEST_P(DspGraphicEq, ShelvesReachTheirGainInTheirPassRegion) {
    const double fs = GetParam();
    const auto frames = static_cast<std::size_t>(fs);
    for (float db : {10.0f, -8.0f}) {
        auto low = graphicEqWithBand(fs, 0, db);
        EXPECT_NEAR(measuredGainDb(*low, constant(0.1f, frames)), db, 0.1);
        EXPECT_NEAR(measuredGainDb(*low, 31.0 / 8.0, 4.0), db, 0.1);
        EXPECT_NEAR(measuredGainDb(*low, 31.0), static_cast<double>(db) / 2.0,
                    0.1); // corner: half way
        EXPECT_NEAR(measuredGainDb(*low, 1000.0), 0.0, 0.05);

        auto high = graphicEqWithBand(fs, kGraphicEqBands - 1, db);
        EXPECT_NEAR(measuredGainDb(*high, nyquist(0.1f, frames)), db, 0.1);
        EXPECT_NEAR(measuredGainDb(*high, 16000.0), static_cast<double>(db) / 2.0, 0.1);
        EXPECT_NEAR(measuredGainDb(*high, 1000.0), 0.0, 0.05);
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, DspGraphicEq, ::testing::Values(44100.0, 48000.0));

TEST(DspEqUnit, LoudnessShelvesSitAt100HzAnd8kHz) {
    const double fs = 48000.0;
    EqUnit loud(fs, loudnessEqBands());
    loud.setBandGain(0, 12.0f);
    loud.setBandGain(1, 5.0f);
    EXPECT_NEAR(measuredGainDb(loud, constant(0.1f, 48000)), 12.0, 0.1);
    EXPECT_NEAR(measuredGainDb(loud, 100.0), 6.0, 0.15); // the high shelf adds a hair
    EXPECT_NEAR(measuredGainDb(loud, 8000.0), 2.5, 0.1);
    EXPECT_NEAR(measuredGainDb(loud, nyquist(0.1f, 48000)), 5.0, 0.1);
    EXPECT_NEAR(measuredGainDb(loud, 1000.0), 0.0 + 0.03, 0.1); // between the shelves
}

TEST(DspEqUnit, NormalisationUnitAppliesItsGlobalGainAtEveryFrequency) {
    EqUnit norm(44100.0, normUnitBands());
    ASSERT_EQ(norm.bandCount(), 1u);
    norm.setGlobalGain(-6.02f);
    for (double f : {40.0, 1000.0, 15000.0}) {
        EXPECT_NEAR(measuredGainDb(norm, f), -6.02, 0.01) << f;
    }
}

// `s` after `unit`, in blocks of `block` frames.
Stereo through(EqUnit& unit, Stereo s, std::size_t block = 256) {
    inBlocks(s, block, [&](float* l, float* r, std::size_t n) { unit.process(l, r, n); });
    return s;
}

// A flat unit, a bypassed one whatever its gains, bypassed bands and bands ramped back
// to 0 dB (once they have rung out) all pass samples bit for bit.
TEST(DspEqUnit, FlatOrBypassedUnitsAndBandsPassSamplesBitForBit) {
    const double fs = 48000.0;
    const auto frames = static_cast<std::size_t>(fs);
    const Stereo in = noise(0.5, frames, 3);
    EqUnit flat(fs, graphicEqBands());
    EXPECT_TRUE(bitIdentical(in, through(flat, in, 300)));
    EqUnit bypassed(fs, graphicEqBands(), /*bypassed=*/true);
    for (std::size_t band = 0; band < kGraphicEqBands; ++band)
        bypassed.setBandGain(band, 9.0f);
    bypassed.setGlobalGain(-4.0f);
    EXPECT_TRUE(bitIdentical(in, through(bypassed, in, 300)));

    EqUnit eq(fs, graphicEqBands());
    eq.setBandGain(0, 6.0f);
    eq.setBandGain(4, -6.0f);
    through(eq, noise(0.5, frames, 1));
    eq.setBandBypass(0, true);
    eq.setBandGain(4, 0.0f);
    EXPECT_TRUE(eq.bandBypassed(0));
    EXPECT_EQ(eq.bandGain(0), 6.0f); // the band keeps its gain while bypassed
    through(eq, noise(0.5, frames, 2));
    EXPECT_TRUE(bitIdentical(in, through(eq, in)));

    // The whole unit bypassed while a band is boosted: a wire once the crossfade ends.
    eq.setBandBypass(0, false);
    eq.setBypass(true);
    through(eq, noise(0.5, frames, 4));
    EXPECT_TRUE(bitIdentical(in, through(eq, in)));
}

TEST(DspEqUnit, GainsAreClampedAndUnknownBandsIgnored) {
    EqUnit eq(48000.0, graphicEqBands());
    eq.setBandGain(10, 3.0f);
    EXPECT_EQ(eq.bandGain(10), 0.0f);
    eq.setBandGain(2, 40.0f);
    EXPECT_EQ(eq.bandGain(2), EqUnit::kMaxGainDb);
    eq.setGlobalGain(-200.0f);
    EXPECT_EQ(eq.globalGain(), EqUnit::kMinGainDb);
    eq.setBandGain(3, std::nanf(""));
    EXPECT_EQ(eq.bandGain(3), 0.0f);
    eq.setBandBypass(12, true);
    EXPECT_FALSE(eq.bandBypassed(12));
}

TEST(DspEqUnit, RampStepsAndBypassChangesDoNotClick) {
    const double fs = 48000.0;
    const auto quarter = static_cast<std::size_t>(fs / 4);
    const auto every = static_cast<std::size_t>(0.015 * fs);
    struct Case {
        const char* what;
        std::unique_ptr<EqUnit> unit;
        double frequency;
        std::size_t block;
        std::function<void(EqUnit&, std::size_t)> change; // given the frames since the change
        double limit;
    };
    std::vector<Case> cases;
    // The equaliser's ramp: 8 steps of 1.5 dB, one every 15 ms, on the 62 Hz band under
    // a 62 Hz tone, with small audio blocks so that each step lands on one block.
    cases.push_back({"ramp", std::make_unique<EqUnit>(fs, graphicEqBands()), 62.0, 64,
                     [every](EqUnit& eq, std::size_t since) {
                         if (since < 8 * every && since % every < 64)
                             eq.setBandGain(1, 1.5f * static_cast<float>(since / every + 1));
                     },
                     0.05});
    // The whole 12 dB in one step glides too.
    cases.push_back({"one step", std::make_unique<EqUnit>(fs, graphicEqBands()), 62.0, 512,
                     [](EqUnit& eq, std::size_t) { eq.setBandGain(1, 12.0f); }, 0.05});
    // Switching a boosted unit in crossfades.
    cases.push_back({"switched in", std::make_unique<EqUnit>(fs, graphicEqBands(), true), 125.0,
                     480, [](EqUnit& eq, std::size_t) { eq.setBypass(false); }, 0.05});
    cases.back().unit->setBandGain(2, 12.0f);
    // Global gain down and up by 12 dB at once: a straight glide, whose corners bend
    // the tone far less than its own step.
    for (float db : {-12.0f, 12.0f})
        cases.push_back({db < 0 ? "global down" : "global up",
                         std::make_unique<EqUnit>(fs, normUnitBands()), 200.0, 1024,
                         [db](EqUnit& eq, std::size_t) { eq.setGlobalGain(db); }, 0.5});
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        EqUnit& eq = *c.unit;
        EXPECT_LT(deviationOverOwnStep(
                      fs, c.frequency, 0.25, c.block,
                      [&](float* l, float* r, std::size_t n) { eq.process(l, r, n); },
                      [&](std::size_t done) {
                          if (done >= quarter)
                              c.change(eq, done - quarter);
                      }),
                  c.limit);
    }
    EXPECT_EQ(cases[0].unit->bandGain(1), 12.0f);
}

} // namespace
} // namespace orvane
