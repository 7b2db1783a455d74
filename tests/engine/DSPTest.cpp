// The tone stages judged by what they do to real signals: the equaliser, the compressor
// and the limiter, and the whole chain they make.

#include "engine/DSPTestSupport.h"
#include "engine/dsp/Compressor.h"
#include "engine/dsp/CompressorPresets.h"
#include "engine/dsp/EQLayouts.h"
#include "engine/dsp/EQUnit.h"
#include "engine/dsp/LoudnessCurve.h"
#include "engine/dsp/PeakLimiter.h"
#include "engine/dsp/ToneChain.h"

#include <atomic>
#include <cmath>
#include <memory>
#include <string>
#include <thread>

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
    const Stereo out = through(unit, in);
    const std::size_t begin = frames / 3;
    return ampToDb(toneAmplitude(out.left, begin, frames, frequency, fs) /
                   toneAmplitude(in.left, begin, frames, frequency, fs));
}

// Gain for a steady signal given whole (DC or Nyquist), after settling.
double measuredGainDb(EQUnit& unit, const Stereo& in) {
    unit.reset();
    const Stereo out = through(unit, in);
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

constexpr double kRate = 48000.0;

// Peak level (dBFS) of a 1 kHz tone of peak `levelDb` after two seconds through `comp`.
// At 48 kHz every 48th sample of the tone is a crest, so the peak is measured exactly.
double settledOutputDb(Compressor& comp, double levelDb) {
    const auto frames = static_cast<std::size_t>(2.0 * kRate);
    const Stereo s = through(comp, sine(1000.0, dbToAmp(levelDb), kRate, frames));
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
    through(comp, noise(0.9, 48000, 12));
    comp.setBypass(true);
    through(comp, noise(0.9, 4800, 13));
    const Stereo in = noise(0.9, 48000, 11);
    EXPECT_TRUE(bitIdentical(in, through(comp, in, 333)));
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

// Single-sample spikes of `amplitude` on a quiet tone, at irregular distances (some
// closer together than the look-ahead), alternating channel and sign.
Stereo spikes(double amplitude, double fs, std::size_t frames) {
    Stereo s = sine(440.0, 0.1, fs, frames);
    std::size_t gap = 37;
    bool left = true;
    for (std::size_t i = 100; i < frames; i += gap) {
        const auto v = static_cast<float>(left ? amplitude : -amplitude);
        (left ? s.left : s.right)[i] = v;
        left = !left;
        gap = (gap * 7 + 13) % 4000 + 1;
    }
    return s;
}

struct Case {
    std::string name;
    Stereo signal;
};

std::vector<Case> overdrivenSignals(double fs) {
    const auto frames = static_cast<std::size_t>(fs * 2);
    const double plus12 = dbToAmp(12.0);
    std::vector<Case> cases;
    for (double f : {30.0, 19000.0})
        cases.push_back({"sine " + std::to_string(f), sine(f, plus12, fs, frames)});
    cases.push_back({"huge spikes", spikes(dbToAmp(60.0), fs, frames)});
    cases.push_back({"noise", noise(plus12, frames, 5)});
    // Bursts: a loud tone that switches on and off, so the gain keeps moving.
    Stereo bursts = sine(3000.0, plus12, fs, frames);
    for (std::size_t i = 0; i < frames; ++i)
        if ((i / 700) % 3 == 0) {
            bursts.left[i] *= 0.05f;
            bursts.right[i] *= 0.05f;
        }
    cases.push_back({"bursts", std::move(bursts)});
    return cases;
}

// The gain the limiter applied to each frame, recovered from its output: the same for
// both channels and never jumping, unless something clipped the signal instead.
struct GainTrace {
    double worstChannelMismatch = 0.0; // |left gain - right gain|
    double worstStep = 0.0;            // largest change from one frame to the next
};

GainTrace traceGain(const Stereo& in, const Stereo& out, std::size_t latency, float preGain) {
    GainTrace trace;
    double previous = -1.0;
    for (std::size_t i = latency; i < out.size(); ++i) {
        const double inLeft = static_cast<double>(in.left[i - latency] * preGain);
        const double inRight = static_cast<double>(in.right[i - latency] * preGain);
        if (std::abs(inLeft) < 0.01 || std::abs(inRight) < 0.01) {
            previous = -1.0;
            continue;
        }
        const double left = static_cast<double>(out.left[i]) / inLeft;
        const double right = static_cast<double>(out.right[i]) / inRight;
        trace.worstChannelMismatch = std::max(trace.worstChannelMismatch, std::abs(left - right));
        if (previous >= 0.0)
            trace.worstStep = std::max(trace.worstStep, std::abs(left - previous));
        previous = left;
    }
    return trace;
}

TEST(DSPPeakLimiter, OverdrivenSignalsNeverExceedFullScaleAndAreNotClipped) {
    for (double fs : {44100.0, 48000.0}) {
        for (auto& c : overdrivenSignals(fs)) {
            for (std::size_t block : {1u, 61u, 512u, 4096u}) {
                PeakLimiter limiter(fs);
                limiter.setPreGain(-0.8f);
                limiter.reset();
                const Stereo out = through(limiter, c.signal, block);
                const auto where =
                    c.name + " at " + std::to_string(fs) + ", block " + std::to_string(block);
                EXPECT_LE(peakAbs(out.left), 1.0f) << where;
                EXPECT_LE(peakAbs(out.right), 1.0f) << where;
                // One gain for both channels, moving by at most 1/look-ahead per frame
                // (plus float rounding): the ceiling was kept by gain, not by clipping.
                const auto trace = traceGain(c.signal, out, limiter.latencyFrames(), dbToAmp(-0.8));
                EXPECT_LT(trace.worstChannelMismatch, 1e-5) << where;
                EXPECT_LT(trace.worstStep,
                          1.0 / static_cast<double>(limiter.latencyFrames()) + 1e-5)
                    << where;
            }
        }
    }
}

TEST(DSPPeakLimiter, HoldsLoudTonesJustBelowFullScaleAndGainComesBackAfterAPeak) {
    // A steady +12 dB tone comes out at full scale, not much lower: the limiter only
    // takes away what the peaks need.
    const double fs = 48000.0;
    PeakLimiter loud(fs);
    const Stereo s = through(loud, sine(1000.0, dbToAmp(12.0), fs, 48000));
    EXPECT_GT(ampToDb(static_cast<double>(peakAbs(s.left, 24000))), -0.3);

    // One +20 dB spike in a quiet tone: the tone dips for the look-ahead plus the decay,
    // and is back at unity within a few decay times.
    PeakLimiter limiter(fs);
    const auto frames = static_cast<std::size_t>(fs);
    Stereo in = sine(1000.0, 0.25, fs, frames);
    in.left[frames / 2] = 10.0f;
    const Stereo out = through(limiter, in, 128);
    const std::size_t latency = limiter.latencyFrames();
    auto gainDbAt = [&](std::size_t inputFrame) {
        const std::size_t from = inputFrame + latency;
        return ampToDb(static_cast<double>(peakAbs(out.right, from, from + 48) /
                                           peakAbs(in.right, inputFrame, inputFrame + 48)));
    };
    EXPECT_NEAR(gainDbAt(frames / 2 - 2000), 0.0, 1e-3);
    EXPECT_LT(gainDbAt(frames / 2), -15.0);
    const auto afterDecays = frames / 2 + static_cast<std::size_t>((0.012 + 5 * 0.024) * fs);
    EXPECT_NEAR(gainDbAt(afterDecays), 0.0, 0.1);
}

// The limiter ends the whole tone chain.
TEST(DSPToneChain, SettingsChangeSafelyWhileAnotherThreadRenders) {
    // The render thread plays a fixed amount of loud noise while this thread keeps
    // changing every setting, often to all stages in circuit and boosted: the limiter at
    // the end must keep the output within full scale throughout, and the chain must still
    // play something. (Run under ThreadSanitizer this also proves the hand-over free of
    // data races.)
    const double fs = 48000.0;
    ToneChain chain(fs);
    std::atomic<bool> done{false};
    float loudest = 0.0f;
    float quietest = 1.0f; // block peak, once the look-ahead has filled
    std::thread render([&] {
        Stereo block = noise(2.0, 512, 8);
        for (int i = 0; i < 400; ++i) {
            Stereo work = block;
            chain.process(work.left.data(), work.right.data(), work.size());
            loudest = std::max({loudest, peakAbs(work.left), peakAbs(work.right)});
            if (i > 2)
                quietest = std::min(quietest, peakAbs(work.left));
        }
        done.store(true);
    });
    for (int step = 0; !done.load(); ++step) {
        const auto band = static_cast<std::size_t>(step) % kGraphicEQBands;
        chain.eq().setBandGain(band, static_cast<float>(step % 25 - 12));
        chain.eq().setBypass(step % 7 == 0);
        chain.setCompressor(step % 3 != 0,
                            allCompressorPresets[static_cast<std::size_t>(step) % 5]);
        const auto loud = loudnessCurveDb(static_cast<double>(step % 11) / 10.0);
        chain.loudnessEQ().setBypass(step % 5 == 0);
        chain.loudnessEQ().setBandGain(0, loud.lowShelfDb);
        chain.loudnessEQ().setBandGain(1, loud.highShelfDb);
        chain.limiter().setPreGain(static_cast<float>(step % 9));
        std::this_thread::yield();
    }
    render.join();
    EXPECT_LE(loudest, 1.0f);
    // Deep cuts and a hard compressor may bring a block down a good way, but never to
    // silence, as a stage that stopped passing sound would.
    EXPECT_GT(quietest, 1e-3f);
}

} // namespace
} // namespace orvane
