#include "AnalysisTestSupport.h"
#include "engine/analysis/OfflineAnalysis.h"
#include "engine/analysis/TempoDetection.h"

#include <cstdint>
#include <random>

namespace orvane {
namespace {

using test::analysisFixture;

// Blocks per minute at 44.1 kHz: the raw tempo is this over the best lag.
constexpr double kBlocksPerMinute = 44100.0 / 1024.0 * 60.0;

// A click track at 128 BPM reads the nearest lag: a beat is 20.19 blocks, the best lag
// 20 blocks, 129.2 BPM. Silence, a second of clicks, or clicks that start only after
// 62 s of silence (the analysis looks at the first 60 s) have no tempo.
TEST(AnalysisTempo, ClickTrackReadsTheNearestLagAndTooLittleGivesNoTempo) {
    const auto bpm = detectBPM(analysisFixture("clicks-128.wav"));
    ASSERT_TRUE(bpm);
    EXPECT_NEAR(*bpm, kBlocksPerMinute / 20.0, 1e-9);
    for (const char* file : {"silence.wav", "clicks-1s.wav", "late-clicks.flac"})
        EXPECT_FALSE(detectBPM(analysisFixture(file))) << file;
}

TEST(AnalysisTempo, OctaveRuleFoldsTowards120) {
    EXPECT_DOUBLE_EQ(correctTempoOctave(240.0), 120.0); // b/2
    EXPECT_DOUBLE_EQ(correctTempoOctave(50.0), 100.0);  // 2b; b/2 = 25 is out of range
    EXPECT_DOUBLE_EQ(correctTempoOctave(30.0), 90.0);   // 3b beats 2b = 60
    EXPECT_DOUBLE_EQ(correctTempoOctave(300.0), 100.0); // b/3 beats b/2 = 150
    // 144 and 2b/3 = 96 are both 24 from 120: the earlier candidate wins.
    EXPECT_DOUBLE_EQ(correctTempoOctave(144.0), 144.0);
    // The range is inclusive at both ends.
    EXPECT_DOUBLE_EQ(correctTempoOctave(600.0), 200.0); // b/3 is the only one inside
    EXPECT_DOUBLE_EQ(correctTempoOctave(20.0), 60.0);   // 3b is the only one inside
    // Nothing in 60..200: the raw tempo stands.
    EXPECT_DOUBLE_EQ(correctTempoOctave(1000.0), 1000.0);
}

// An envelope of `length` blocks with a burst every `period` blocks.
std::vector<float> pulses(std::size_t length, std::size_t period) {
    std::vector<float> env(length, 0.01f);
    for (std::size_t i = period; i < length; i += period)
        env[i] = 1.0f;
    return env;
}

TEST(AnalysisTempo, EnvelopeLagGivesTheRawTempoOnlyForAClearPeriod) {
    // A lag of 20 blocks is 129.2 BPM; a lag of 40 (64.6 BPM) is doubled to it.
    EXPECT_NEAR(*tempoFromEnvelope(pulses(2000, 20), 44100.0), kBlocksPerMinute / 20, 1e-9);
    EXPECT_NEAR(*tempoFromEnvelope(pulses(2000, 40), 44100.0), kBlocksPerMinute / 20, 1e-9);
    // At 48 kHz the same lag is a faster tempo.
    EXPECT_NEAR(*tempoFromEnvelope(pulses(2000, 20), 48000.0), 48000.0 / 1024 * 60 / 20, 1e-9);
    // Eighty-one blocks are the least that can show a tempo.
    EXPECT_FALSE(tempoFromEnvelope(pulses(80, 20), 44100.0));
    EXPECT_TRUE(tempoFromEnvelope(pulses(81, 20), 44100.0));

    // No rises, no rate, or white noise (every lag correlates about as well as any other).
    EXPECT_FALSE(tempoFromEnvelope(std::vector<float>(500, 0.3f), 44100.0));
    EXPECT_FALSE(tempoFromEnvelope(std::vector<float>(500, 0.0f), 44100.0));
    EXPECT_FALSE(tempoFromEnvelope(pulses(2000, 20), 0.0));
    std::mt19937 random(7);
    std::vector<float> noise(2000);
    for (auto& value : noise)
        value = static_cast<float>(random() % 10000) / 10000.0f;
    EXPECT_FALSE(tempoFromEnvelope(noise, 44100.0));
}

} // namespace
} // namespace orvane
