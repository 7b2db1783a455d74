#include "AnalysisTestSupport.h"
#include "engine/analysis/OfflineAnalysis.h"

namespace orvane {
namespace {

using test::analysisFixture;

constexpr double kRate = 44100.0;

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
    test::WavFolder folder;
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
        {tone, -50.0, 1e300, 65536, 133120},
        {tone, -50.0, 1.0, kRate, 3 * kRate},
        {tone, -50.0, -2.0, 0, 4 * kRate}, // a negative maximum trims nothing
        {tone, -3.0, 10.0, 0, 4 * kRate},  // nothing audible: the trims would meet
        {silence, -50.0, 10.0, 0, 3 * kRate},
        {silence, -50.0, 1.0, kRate, 2 * kRate},
        {folder.write("a.wav", clicks(20000, 2048, 15000)), -40.0, 10.0, 2048, 15360},
        {folder.write("b.wav", clicks(20000, 15000, 2047)), -40.0, 10.0, 1024, 15360},
        {folder.write("c.wav", clicks(20000, 19999, 0)), -40.0, 10.0, 0, 20000},
        {half, halfDb, 10.0, 0, 10000}, // a sample at the threshold is not audible
        {half, halfDb - 0.01, 10.0, 4096, 5120},
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

} // namespace
} // namespace orvane
