#include "engine/DspTestSupport.h"
#include "engine/dsp/CompressorPresets.h"
#include "engine/dsp/EqLayouts.h"
#include "engine/dsp/LoudnessCurve.h"
#include "engine/dsp/ToneChain.h"

#include <atomic>
#include <cmath>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace orvane {
namespace {

using namespace dsptest;

TEST(DspCompressorPresets, HeadRoomAndMakeUpFollowFromThresholdAndRatio) {
    for (auto preset : allCompressorPresets) {
        const auto row = compressorPresetValues(preset);
        const auto name = std::string(rawValue(preset));
        EXPECT_NEAR(row.headRoomDb, std::max(40.0f / row.ratio, 2.0f), 1e-3f) << name;
        EXPECT_NEAR(row.makeUpGainDb, 0.35f * std::abs(row.thresholdDb) * (1.0f - 1.0f / row.ratio),
                    1e-3f)
            << name;
        const auto p = compressorParameters(preset);
        EXPECT_EQ(p.expansionRatio, 1.0f) << name;
        EXPECT_EQ(p.expansionThresholdDb, -120.0f) << name;
    }
    const auto radio = compressorParameters(CompressorPreset::radio);
    EXPECT_EQ(radio.thresholdDb, -22.0f);
    EXPECT_EQ(radio.headRoomDb, 10.0f);
    EXPECT_EQ(radio.attackSeconds, 0.015f);
    EXPECT_EQ(radio.releaseSeconds, 0.18f);
    EXPECT_EQ(radio.overallGainDb, 5.775f);
}

TEST(DspLoudnessCurve, BoostsBassAndTrebleAsTheVolumeFalls) {
    const auto full = loudnessCurveDb(1.0);
    EXPECT_EQ(full.lowShelfDb, 0.0f);
    EXPECT_EQ(full.highShelfDb, 0.0f);
    const auto half = loudnessCurveDb(0.5);
    EXPECT_FLOAT_EQ(half.lowShelfDb, 6.0f);
    EXPECT_FLOAT_EQ(half.highShelfDb, 2.5f);
    const auto silent = loudnessCurveDb(0.0);
    EXPECT_FLOAT_EQ(silent.lowShelfDb, 12.0f);
    EXPECT_FLOAT_EQ(silent.highShelfDb, 5.0f);
    EXPECT_FLOAT_EQ(loudnessCurveDb(-0.5).lowShelfDb, 12.0f);
    EXPECT_FLOAT_EQ(loudnessCurveDb(1.5).lowShelfDb, 0.0f);
    EXPECT_FLOAT_EQ(loudnessCurveDb(std::nan("")).highShelfDb, 0.0f);
}

TEST(DspToneChain, StartsAsAWireThroughTheLimitersPreGain) {
    // Equalisers and compressor start bypassed: a fresh chain only delays the signal
    // by the look-ahead and applies the limiter's -0.8 dB.
    const double fs = 48000.0;
    ToneChain chain(fs);
    EXPECT_TRUE(chain.eq().bypassed());
    EXPECT_TRUE(chain.loudnessEq().bypassed());
    EXPECT_TRUE(chain.compressor().bypassed());
    EXPECT_EQ(chain.eq().bandCount(), kGraphicEqBands);
    EXPECT_EQ(chain.loudnessEq().bandCount(), 2u);
    EXPECT_FLOAT_EQ(chain.limiter().preGain(), -0.8f);

    const Stereo in = noise(0.8, 9600, 21);
    Stereo out = in;
    inBlocks(out, 480, [&](float* l, float* r, std::size_t n) { chain.process(l, r, n); });
    const auto latency = chain.latencyFrames();
    const float gain = dbToAmp(-0.8);
    for (std::size_t i = latency; i < in.size(); ++i)
        ASSERT_NEAR(out.right[i], in.right[i - latency] * gain, 1e-6f) << i;
}

TEST(DspToneChain, CompressorSwitchKeepsParametersAndRestoresTheLimiterPreGain) {
    ToneChain chain(48000.0);
    chain.limiter().setPreGain(3.0f);
    chain.setCompressor(true, CompressorPreset::radio);
    EXPECT_FALSE(chain.compressor().bypassed());
    EXPECT_EQ(chain.compressor().parameter(DynamicsParameter::headRoom), 10.0f);
    EXPECT_EQ(chain.compressor().parameter(DynamicsParameter::overallGain), 5.775f);
    EXPECT_FLOAT_EQ(chain.limiter().preGain(), -0.8f);

    chain.limiter().setPreGain(3.0f);
    chain.setCompressor(false, CompressorPreset::gentle);
    EXPECT_TRUE(chain.compressor().bypassed());
    EXPECT_EQ(chain.compressor().parameter(DynamicsParameter::headRoom), 10.0f); // kept
    EXPECT_FLOAT_EQ(chain.limiter().preGain(), -0.8f);

    chain.setCompressor(true, CompressorPreset::radio);
    EXPECT_EQ(chain.compressor().parameter(DynamicsParameter::headRoom), 10.0f);
    EXPECT_EQ(chain.compressor().parameter(DynamicsParameter::overallGain), 5.775f);
}

TEST(DspToneChain, FullChainKeepsLoudMusicBelowFullScale) {
    // Everything on and boosted, fed a hot signal: the limiter at the end still holds.
    const double fs = 44100.0;
    ToneChain chain(fs);
    chain.eq().setBypass(false);
    for (std::size_t band = 0; band < kGraphicEqBands; ++band)
        chain.eq().setBandGain(band, band % 2 == 0 ? 12.0f : -6.0f);
    chain.setCompressor(true, CompressorPreset::maximum);
    chain.loudnessEq().setBypass(false);
    const auto loud = loudnessCurveDb(0.0);
    chain.loudnessEq().setBandGain(0, loud.lowShelfDb);
    chain.loudnessEq().setBandGain(1, loud.highShelfDb);

    Stereo s = noise(1.0, 88200, 4);
    const Stereo bass = sine(40.0, 1.0, fs, s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        s.left[i] += bass.left[i];
        s.right[i] -= bass.right[i];
    }
    inBlocks(s, 1024, [&](float* l, float* r, std::size_t n) { chain.process(l, r, n); });
    EXPECT_LE(std::max(peakAbs(s.left), peakAbs(s.right)), 1.0f);
    EXPECT_GT(peakAbs(s.left, s.size() / 2), 0.1f); // and still plays something
}

TEST(DspToneChain, SettingsChangeSafelyWhileAnotherThreadRenders) {
    // The render thread plays a fixed amount of loud noise while this thread keeps
    // changing every setting; the output must stay within full scale throughout. (Run
    // under ThreadSanitizer this also proves the hand-over free of data races.)
    const double fs = 48000.0;
    ToneChain chain(fs);
    std::atomic<bool> done{false};
    float loudest = 0.0f;
    std::thread render([&] {
        Stereo block = noise(2.0, 512, 8);
        for (int i = 0; i < 400; ++i) {
            Stereo work = block;
            chain.process(work.left.data(), work.right.data(), work.size());
            loudest = std::max({loudest, peakAbs(work.left), peakAbs(work.right)});
        }
        done.store(true);
    });
    for (int step = 0; !done.load(); ++step) {
        const auto band = static_cast<std::size_t>(step) % kGraphicEqBands;
        chain.eq().setBandGain(band, static_cast<float>(step % 25 - 12));
        chain.eq().setBypass(step % 7 == 0);
        chain.setCompressor(step % 3 != 0,
                            allCompressorPresets[static_cast<std::size_t>(step) % 5]);
        const auto loud = loudnessCurveDb(static_cast<double>(step % 11) / 10.0);
        chain.loudnessEq().setBypass(step % 5 == 0);
        chain.loudnessEq().setBandGain(0, loud.lowShelfDb);
        chain.loudnessEq().setBandGain(1, loud.highShelfDb);
        chain.limiter().setPreGain(static_cast<float>(step % 9));
        std::this_thread::yield();
    }
    render.join();
    EXPECT_LE(loudest, 1.0f);
}

} // namespace
} // namespace orvane
