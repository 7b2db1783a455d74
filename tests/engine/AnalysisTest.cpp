#include "EngineTestSupport.h"
#include "engine/analysis/Levels.h"
#include "engine/analysis/SilenceTrim.h"
#include "engine/analysis/TempoDetection.h"
#include "media/MediaTestSupport.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <random>

namespace orvane::test {
namespace {

constexpr double kRate = 44100.0;

// A file made by scripts/make-analysis-fixtures.sh.
std::string analysisFixture(const std::string& name) {
    return fixtureFile("analysis/" + name);
}

// A temporary folder for WAV files a test writes, removed with its contents.
class WAVFolder : public ScratchFolder {
public:
    // Writes a 32-bit float WAV (the samples stay exact) at 44.1 kHz with one vector per
    // channel, all of the same length; returns its path.
    std::string write(const std::string& name,
                      const std::vector<std::vector<float>>& channels) const {
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < channels[0].size(); ++i)
            for (const auto& channel : channels)
                for (int b = 0; b < 4; ++b)
                    bytes.push_back(static_cast<std::uint8_t>(
                        std::bit_cast<std::uint32_t>(channel[i]) >> (8 * b)));
        writeWAV(path(name), 3, 32, static_cast<int>(channels.size()), 44100, bytes);
        return path(name);
    }
};

// Longer than one 262144-frame read, with the loudest sample in the short last
// block and different content per channel: every block and every channel counts.
TEST(AnalysisLevels, PeakAndRMSCoverEveryBlockAndChannel) {
    constexpr std::size_t kFrames = 300000;
    std::vector<float> left(kFrames);
    for (std::size_t i = 0; i < kFrames; ++i)
        left[i] = static_cast<float>(0.5 * std::cos(2.0 * std::numbers::pi * double(i) / 100.0));
    std::vector<float> right(kFrames, -0.25f);
    left[290000] = -0.9f;
    WAVFolder folder;
    const auto path = folder.write("levels.wav", {left, right});

    double squares = 0.0;
    for (std::size_t i = 0; i < kFrames; ++i) {
        const auto l = static_cast<double>(left[i]);
        const auto r = static_cast<double>(right[i]);
        squares += l * l + r * r;
    }
    const double expectedRMS = std::sqrt(squares / (2.0 * kFrames));

    const auto levels = computeLevels(path);
    ASSERT_TRUE(levels);
    EXPECT_DOUBLE_EQ(levels->peak, 0.9f);
    EXPECT_NEAR(levels->rms, expectedRMS, expectedRMS * 1e-6);
}

// Digital silence reads -80 dB, not zero; a file with nothing to measure has no levels,
// no trim and no tempo.
TEST(OfflineAnalysis, SilenceReadsTheFloorAndNothingToMeasureIsAbsent) {
    const auto silent = computeLevels(analysisFixture("silence.wav"));
    ASSERT_TRUE(silent);
    EXPECT_EQ(silent->peak, 0.0001);
    EXPECT_EQ(silent->rms, 0.0001);

    WAVFolder folder;
    for (const auto& path :
         {folder.write("empty.wav", {{}, {}}),
          folder.ScratchFolder::write("text.wav", "RIFF but not really"),
          (std::filesystem::temp_directory_path() / "orvane-no-such.wav").native()}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(computeLevels(path));
        EXPECT_FALSE(computeTrim(path, -50.0, 10.0));
        EXPECT_FALSE(detectBPM(path));
    }
}

// Stereo silence of `frames` with one loud sample on each side.
std::vector<std::vector<float>> clicks(std::size_t frames, std::size_t leftAt,
                                       std::size_t rightAt) {
    std::vector<float> left(frames, 0.0f), right(frames, 0.0f);
    left[leftAt] = 0.5f;
    right[rightAt] = -0.5f;
    return {left, right};
}

// Edges land on the 1024-frame blocks holding the first and last audible samples (the
// end at the file's length for a last block), neither edge moves by more than the
// maximum, and trims that would meet leave the whole file.
TEST(AnalysisTrim, EdgesLandOnTheBlocksOfTheFirstAndLastAudibleSamples) {
    WAVFolder folder;
    // tone-at-1.5s.wav: 4 s, peaking at -6 dB and audible from frame 66150 through 132299,
    // in blocks 64 (65536..66559) and 129 (132096..133119); silence.wav: 3 s.
    const auto tone = analysisFixture("tone-at-1.5s.wav");
    const auto silence = analysisFixture("silence.wav");
    std::vector<float> mono(10000, 0.0f);
    mono[5000] = 0.5f;
    const auto half = folder.write("edge.wav", {mono});
    const double halfDb = 20.0 * std::log10(0.5); // 10^(dB/20) rounds to 0.5f exactly
    const struct {
        std::string path;
        double thresholdDb, maxSeconds, startFrames, endFrames;
    } cases[] = {
        {tone, -50.0, 10.0, 65536, 133120},
        {tone, -50.0, 1.0, kRate, 3 * kRate},
        {tone, -3.0, 10.0, 0, 4 * kRate}, // nothing audible: the trims would meet
        {silence, -50.0, 1.0, kRate, 2 * kRate},
        {folder.write("b.wav", clicks(20000, 15000, 2047)), -40.0, 10.0, 1024, 15360},
        {folder.write("c.wav", clicks(20000, 19999, 0)), -40.0, 10.0, 0, 20000},
        {half, halfDb, 10.0, 0, 10000}, // a sample at the threshold is not audible
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " at " + std::to_string(c.thresholdDb) + " dB, at most " +
                     std::to_string(c.maxSeconds) + " s");
        const auto trim = computeTrim(c.path, c.thresholdDb, c.maxSeconds);
        ASSERT_TRUE(trim);
        EXPECT_DOUBLE_EQ(trim->start * kRate, c.startFrames);
        EXPECT_DOUBLE_EQ(trim->end * kRate, c.endFrames);
    }
}

// Blocks per minute at 44.1 kHz: the raw tempo is this over the best lag.
constexpr double kBlocksPerMinute = 44100.0 / 1024.0 * 60.0;

// A click track at 128 BPM reads the nearest lag: a beat is 20.19 blocks, the best lag
// 20 blocks, 129.2 BPM. Silence, a second of clicks, or clicks that start only after
// 62 s of silence (the analysis looks at the first 60 s) have no tempo.
TEST(AnalysisTempo, TheNearestLagGivesTheTempoAndTooLittleOrNoClearPeriodNone) {
    const auto bpm = detectBPM(analysisFixture("clicks-128.wav"));
    ASSERT_TRUE(bpm);
    EXPECT_NEAR(*bpm, kBlocksPerMinute / 20.0, 1e-9);
    for (const char* file : {"silence.wav", "clicks-1s.wav", "late-clicks.flac"})
        EXPECT_FALSE(detectBPM(analysisFixture(file))) << file;

    // From an envelope, only a clear period gives a tempo.
    const auto pulses = [](std::size_t length, std::size_t period) {
        std::vector<float> env(length, 0.01f);
        for (std::size_t i = period; i < length; i += period)
            env[i] = 1.0f;
        return env;
    };
    // A lag of 20 blocks is 129.2 BPM; a lag of 40 (64.6 BPM) is doubled to it.
    EXPECT_NEAR(*tempoFromEnvelope(pulses(2000, 20), 44100.0), kBlocksPerMinute / 20, 1e-9);
    EXPECT_NEAR(*tempoFromEnvelope(pulses(2000, 40), 44100.0), kBlocksPerMinute / 20, 1e-9);
    // No rises, or white noise (every lag correlates about as well as any other).
    EXPECT_FALSE(tempoFromEnvelope(std::vector<float>(500, 0.3f), 44100.0));
    std::mt19937 random(7);
    std::vector<float> noise(2000);
    for (auto& value : noise)
        value = static_cast<float>(random() % 10000) / 10000.0f;
    EXPECT_FALSE(tempoFromEnvelope(noise, 44100.0));
}

} // namespace
} // namespace orvane::test
