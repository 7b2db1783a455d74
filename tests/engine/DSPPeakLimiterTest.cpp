#include "engine/DSPTestSupport.h"
#include "engine/dsp/PeakLimiter.h"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

namespace orvane {
namespace {

using namespace dsptest;

void run(PeakLimiter& limiter, Stereo& s, std::size_t block) {
    inBlocks(s, block, [&](float* l, float* r, std::size_t n) { limiter.process(l, r, n); });
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
                Stereo out = c.signal;
                run(limiter, out, block);
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
    Stereo s = sine(1000.0, dbToAmp(12.0), fs, 48000);
    run(loud, s, 512);
    EXPECT_GT(ampToDb(static_cast<double>(peakAbs(s.left, 24000))), -0.3);

    // One +20 dB spike in a quiet tone: the tone dips for the look-ahead plus the decay,
    // and is back at unity within a few decay times.
    PeakLimiter limiter(fs);
    const auto frames = static_cast<std::size_t>(fs);
    Stereo in = sine(1000.0, 0.25, fs, frames);
    in.left[frames / 2] = 10.0f;
    Stereo out = in;
    run(limiter, out, 128);
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

} // namespace
} // namespace orvane
