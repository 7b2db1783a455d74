#include "EngineTestSupport.h"
#include "engine/metering/SpectrumAnalyzer.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

constexpr std::int64_t kOutputLatency = 4410; // 100 ms at 44.1 kHz
// tone-at-1.5s.wav: silence, then from this frame a 440 Hz tone at half scale starting at
// its crest, until frame 132300.
constexpr std::int64_t kToneStart = 66150;
// The tone's peak after the limiter's -0.8 dB pre-gain, in dB.
const double kTonePeakDb = 20.0 * std::log10(0.5) - 0.8;

std::string toneFixture() {
    return fixtureFile("analysis/tone-at-1.5s.wav");
}

MeterLevels levels(AudioEngine& e) {
    return {e.vuLeftDb,    e.vuRightDb,      e.peakLeftDb,
            e.peakRightDb, e.peakHoldLeftDb, e.peakHoldRightDb};
}

// Lets loop time run up to the next meter tick, so that exactly one meter tick runs. The
// engine was made at time 0; ManualMainLoop fires it every 1/15 s in whole nanoseconds.
void toNextMeterTick(ManualMainLoop& loop) {
    const std::int64_t interval = std::llround(1e9 / 15.0);
    const std::int64_t now = std::llround(loop.now() * 1e9);
    const std::int64_t next = (now / interval + 1) * interval;
    loop.advance(static_cast<double>(next - now) / 1e9);
}

MeterLevels floorLevels() {
    return {kVUFloorDb, kVUFloorDb, kVUFloorDb, kVUFloorDb, kVUFloorDb, kVUFloorDb};
}

TEST(AudioEngineMeterTest, TheMetersShowTheBlockBeingHeardNotTheBlockJustRendered) {
    EngineRig rig(44100.0, kOutputLatency);
    EXPECT_EQ(levels(*rig), floorLevels());
    EXPECT_EQ(rig->waveform.get(), std::vector<float>(kWaveformPoints, 0.0f));
    EXPECT_EQ(rig->spectrumBars.get(), std::vector<float>(kSpectrumBands, 0.0f));
    int published = 0;
    auto subscription = rig->peakLeftDb.subscribe([&](double) { ++published; });

    rig->load(toneFixture(), Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    rig.run(1.4); // silence, watched by 20 meter ticks
    EXPECT_EQ(levels(*rig), floorLevels());
    EXPECT_GE(published, 19); // every tick that had something heard to show

    // The tone reaches the meter tap the limiter's look-ahead after the player rendered
    // it, and the ear the output's latency later. Rendered up to that moment, the
    // meters still read the floor: what they show has not been heard yet.
    const auto heardAt = kToneStart + rig.lookAheadFrames() + kOutputLatency;
    const std::int64_t rendered = 140 * 441;
    rig.render(static_cast<std::size_t>(heardAt - rendered));
    toNextMeterTick(rig.loop);
    EXPECT_EQ(rig->peakLeftDb, kVUFloorDb);
    EXPECT_EQ(rig->vuLeftDb, kVUFloorDb);
    EXPECT_EQ(rig->peakHoldLeftDb, kVUFloorDb);

    // 64 frames of tone heard: the peak jumps to it.
    rig.render(64);
    toNextMeterTick(rig.loop);
    EXPECT_NEAR(rig->peakLeftDb, kTonePeakDb, 0.05);
    EXPECT_NEAR(rig->peakHoldLeftDb, kTonePeakDb, 0.05);

    // A window of tone alone: its RMS + 12 dB is above 0, where the VU stops; the
    // waveform and the spectrum show the tone.
    rig.render(8192);
    toNextMeterTick(rig.loop);
    EXPECT_EQ(rig->vuLeftDb, 0.0);
    EXPECT_EQ(rig->vuRightDb, 0.0);
    EXPECT_NEAR(rig->peakHoldRightDb, kTonePeakDb, 0.05);
    const auto& points = rig->waveform.get();
    ASSERT_EQ(points.size(), kWaveformPoints);
    const float largest = std::abs(*std::max_element(
        points.begin(), points.end(), [](float a, float b) { return std::abs(a) < std::abs(b); }));
    EXPECT_NEAR(largest, 0.5f * std::pow(10.0f, -0.8f / 20.0f), 0.03f);
    const auto& bars = rig->spectrumBars.get();
    ASSERT_EQ(bars.size(), kSpectrumBands);
    const auto loudest =
        static_cast<std::size_t>(std::max_element(bars.begin(), bars.end()) - bars.begin());
    const auto bins = SpectrumAnalyzer::barBins(loudest, kSpectrumBands, kSpectrumSize / 2);
    const std::size_t toneBin = 10; // 440 Hz / (44100 Hz / 1024)
    EXPECT_LE(bins.lo, toneBin);
    EXPECT_GT(bins.hi, toneBin);
}

TEST(AudioEngineMeterTest, WhenNotPlayingTheMetersFallPerTickAndARestartShowsNothingOld) {
    EngineRig rig;
    rig->load(toneFixture(), Uuid::random(), 1.6, std::nullopt, 1.0, 0);
    rig.run(0.35);
    rig->pause(0);
    const MeterLevels before = levels(*rig);
    const auto waveform = rig->waveform.get();
    const auto bars = rig->spectrumBars.get();
    ASSERT_GT(before.vuLeftDb, -3.0);
    ASSERT_NEAR(before.peakHoldLeftDb, kTonePeakDb, 0.05);

    rig.loop.advance(0.2); // one tick at 0.4 s
    EXPECT_EQ(levels(*rig),
              (MeterLevels{before.vuLeftDb - 3.0, before.vuRightDb - 3.0, before.peakLeftDb - 3.0,
                           before.peakRightDb - 3.0, before.peakHoldLeftDb - 0.9,
                           before.peakHoldRightDb - 0.9}));

    rig.loop.advance(6.0); // down to the floor
    EXPECT_EQ(levels(*rig), floorLevels());
    // The trace and the bars stay as they were.
    EXPECT_EQ(rig->waveform.get(), waveform);
    EXPECT_EQ(rig->spectrumBars.get(), bars);

    // The device goes away; the next one has 100 ms of latency.
    rig.output().fail();
    rig.output().setLatencyFrames(kOutputLatency);
    rig->resume(0);
    ASSERT_TRUE(rig.output().isRunning());
    rig.render(1000);
    toNextMeterTick(rig.loop);
    // Nothing of the new run has been heard yet; the tone of the old run was heard
    // before the pause and must not come back on a restarted output.
    EXPECT_EQ(levels(*rig), floorLevels());

    rig.render(static_cast<std::size_t>(kOutputLatency));
    toNextMeterTick(rig.loop);
    EXPECT_NEAR(rig->peakLeftDb, kTonePeakDb, 0.05);
}

} // namespace
} // namespace orvane::test
