#include "engine/DSPTestSupport.h"
#include "engine/dsp/CompressorPresets.h"
#include "engine/dsp/EQLayouts.h"
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

TEST(DSPToneChain, FullChainKeepsLoudMusicBelowFullScale) {
    // Everything on and boosted, fed a hot signal: the limiter at the end still holds.
    const double fs = 44100.0;
    ToneChain chain(fs);
    chain.eq().setBypass(false);
    for (std::size_t band = 0; band < kGraphicEQBands; ++band)
        chain.eq().setBandGain(band, band % 2 == 0 ? 12.0f : -6.0f);
    chain.setCompressor(true, CompressorPreset::maximum);
    chain.loudnessEQ().setBypass(false);
    const auto loud = loudnessCurveDb(0.0);
    chain.loudnessEQ().setBandGain(0, loud.lowShelfDb);
    chain.loudnessEQ().setBandGain(1, loud.highShelfDb);

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

TEST(DSPToneChain, SettingsChangeSafelyWhileAnotherThreadRenders) {
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
}

} // namespace
} // namespace orvane
