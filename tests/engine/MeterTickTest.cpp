#include "AnalysisTestSupport.h"
#include "engine/analysis/MeterAnalyzer.h"
#include "engine/analysis/MeterBallistics.h"
#include "engine/analysis/MeterExchange.h"

#include <cmath>

namespace orvane {
namespace {

using test::cosine;

MeterLevels levelsAt(double db) {
    return {db, db, db, db, db, db};
}

TEST(MeterTick, PeakAndVuReadTheSignalWithTheVuCalibratedAndCapped) {
    // Whole periods, so the RMS is exactly amplitude / sqrt(2).
    const auto left = cosine(4000, 0.1, 40.0);
    const auto right = cosine(4000, 0.01, 40.0);
    const MeterTargets t = meterTargets(left.data(), right.data(), left.size());
    EXPECT_NEAR(t.vuLeftDb, 20 * std::log10(0.1 / std::sqrt(2.0)) + 12, 1e-4);
    EXPECT_NEAR(t.peakLeftDb, -20.0, 1e-5);
    // -40 dB peak and -31 dB VU are below the floor.
    EXPECT_EQ(t.vuRightDb, kVuFloorDb);
    EXPECT_EQ(t.peakRightDb, kVuFloorDb);

    MeterAnalyzer meters;
    const auto sine = cosine(4096, 1.0, 40.0); // hits +1 and -1 exactly
    ASSERT_TRUE(meters.tick(sine.data(), sine.data(), sine.size(), MeterLevels{}));
    EXPECT_DOUBLE_EQ(meters.levels().peakLeftDb, 0.0);
    EXPECT_DOUBLE_EQ(meters.levels().peakHoldLeftDb, 0.0);
    EXPECT_DOUBLE_EQ(meters.levels().vuLeftDb, 0.0); // RMS -3 dB + 12 would read +9
}

TEST(MeterTick, MonoShowsTheSameOnBothSidesAndStereoTheirOwn) {
    MeterExchange exchange;
    const auto loud = cosine(4096, 0.5, 50.0);
    const auto quiet = cosine(4096, 0.05, 50.0);
    MeterAnalyzer meters;
    exchange.capture(loud.data(), nullptr, loud.size());
    ASSERT_TRUE(meters.tick(exchange, 0, levelsAt(-30)));
    MeterLevels l = meters.levels();
    EXPECT_NEAR(l.peakLeftDb, -6.02, 0.01);
    EXPECT_EQ(l.vuLeftDb, l.vuRightDb);
    EXPECT_EQ(l.peakLeftDb, l.peakRightDb);
    EXPECT_EQ(l.peakHoldLeftDb, l.peakHoldRightDb);

    exchange.capture(loud.data(), quiet.data(), loud.size());
    ASSERT_TRUE(meters.tick(exchange, 0, levelsAt(-30)));
    l = meters.levels();
    EXPECT_NEAR(l.peakLeftDb - l.peakRightDb, 20.0, 1e-3);

    // Nothing heard yet behind 100 ms of latency: nothing changes.
    MeterExchange later;
    MeterAnalyzer fresh;
    later.capture(loud.data(), loud.data(), 2000);
    EXPECT_FALSE(fresh.tick(later, 4410, levelsAt(-7.0)));
    EXPECT_EQ(fresh.levels(), MeterLevels{});
}

TEST(MeterTick, SilenceLetsTheMetersFallToTheFloorWhileHoldsStay) {
    MeterAnalyzer meters;
    const std::vector<float> silence(2048, 0.0f);
    MeterLevels l = levelsAt(0.0);
    ASSERT_TRUE(meters.tick(silence.data(), silence.data(), silence.size(), l));
    l = meters.levels();
    EXPECT_DOUBLE_EQ(l.vuLeftDb, -1.5);
    EXPECT_DOUBLE_EQ(l.peakRightDb, -2.5);
    EXPECT_DOUBLE_EQ(l.peakHoldLeftDb, 0.0); // holds fall only on the 0.2 s tick
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(meters.tick(silence.data(), silence.data(), silence.size(), l));
        l = meters.levels();
    }
    EXPECT_EQ(l.vuLeftDb, kVuFloorDb);
    EXPECT_EQ(l.peakLeftDb, kVuFloorDb);
}

// Each meter tick: readings rise at once and fall slowly, holds only rise. The slow
// tick drops the holds always and the readings only when stopped (the engine's meter
// test follows that fall tick by tick), never below the floor.
TEST(MeterTick, BallisticsRiseAtOnceFallSlowlyAndTheSlowTickDropsTheHolds) {
    MeterTargets targets{-10.0, -20.0, -5.0, -25.0};
    EXPECT_EQ(applyMeterBallistics(levelsAt(-12.0), targets),
              (MeterLevels{-10.0, -13.5, -5.0, -14.5, -5.0, -12.0}));

    const MeterLevels playing = fallMeters(levelsAt(-10.0), true);
    EXPECT_EQ(playing.vuLeftDb, -10.0);
    EXPECT_EQ(playing.peakRightDb, -10.0);
    EXPECT_DOUBLE_EQ(playing.peakHoldLeftDb, -10.9);
    EXPECT_DOUBLE_EQ(playing.peakHoldRightDb, -10.9);
    EXPECT_EQ(fallMeters(levelsAt(-29.5), false), levelsAt(kVuFloorDb));
}

TEST(MeterTick, TheWaveformSamplesTheLeftChannelEvenly) {
    std::vector<float> ramp(4096);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<float>(i);
    std::array<float, kWaveformPoints> wave{};
    makeWaveform(ramp.data(), 4096, wave);
    EXPECT_EQ(wave[1], 16.0f);
    EXPECT_EQ(wave[255], 255.0f * 16);
    makeWaveform(ramp.data(), 1000, wave); // step 3
    EXPECT_EQ(wave[255], 765.0f);
    makeWaveform(ramp.data(), 100, wave); // short: the last sample repeats
    EXPECT_EQ(wave[99], 99.0f);
    EXPECT_EQ(wave[255], 99.0f);
}

// The spectrum sees the newest 1024 samples of the window: a tone that ended before
// them leaves no trace, and a tone inside them shows. Fewer than 1024 samples leave the
// bars as they were.
TEST(MeterTick, TheSpectrumLooksAtTheNewest1024Samples) {
    MeterAnalyzer meters;
    auto loudThenSilent = cosine(4096, 0.9, 16.0);
    std::fill(loudThenSilent.end() - 1024, loudThenSilent.end(), 0.0f);
    ASSERT_TRUE(meters.tick(loudThenSilent.data(), loudThenSilent.data(), 4096, MeterLevels{}));
    EXPECT_TRUE(meters.spectrumUpdated());
    for (const float bar : meters.spectrumBars())
        EXPECT_EQ(bar, 0.0f);

    auto silentThenLoud = cosine(4096, 0.9, 16.0);
    std::fill(silentThenLoud.begin(), silentThenLoud.end() - 1024, 0.0f);
    ASSERT_TRUE(meters.tick(silentThenLoud.data(), silentThenLoud.data(), 4096, MeterLevels{}));
    const auto before = meters.spectrumBars();
    EXPECT_GT(*std::max_element(before.begin(), before.end()), 0.9f);

    const std::vector<float> shortSilence(1023, 0.0f);
    ASSERT_TRUE(meters.tick(shortSilence.data(), shortSilence.data(), 1023, meters.levels()));
    EXPECT_FALSE(meters.spectrumUpdated());
    EXPECT_EQ(meters.spectrumBars(), before);
    EXPECT_EQ(meters.waveform()[0], 0.0f);
}

} // namespace
} // namespace orvane
