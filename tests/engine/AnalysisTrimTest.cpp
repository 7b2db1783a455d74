#include "AnalysisTestSupport.h"
#include "engine/analysis/OfflineAnalysis.h"

namespace orvane {
namespace {

using test::analysisFixture;
using test::WavFolder;

constexpr double kRate = 44100.0;

// tone-at-1.5s.wav: 4 s, audible from frame 66150 through frame 132299.
TEST(AnalysisTrim, EdgesLandOnTheBlocksHoldingTheFirstAndLastAudibleSamples) {
    const auto trim = computeTrim(analysisFixture("tone-at-1.5s.wav"), -50.0, 10.0);
    ASSERT_TRUE(trim);
    // Block 64 (65536..66559) holds frame 66150; block 129 (132096..133119) frame 132299.
    EXPECT_DOUBLE_EQ(trim->start, 65536 / kRate);
    EXPECT_LE(trim->start, 1.5);
    EXPECT_DOUBLE_EQ(trim->end, 133120 / kRate);
}

// Neither edge moves by more than the maximum: silence throughout is trimmed by the
// maximum at both ends when the trims do not meet.
TEST(AnalysisTrim, NeitherEdgeMovesMoreThanTheMaximum) {
    auto trim = computeTrim(analysisFixture("tone-at-1.5s.wav"), -50.0, 1.0);
    ASSERT_TRUE(trim);
    EXPECT_DOUBLE_EQ(trim->start, 1.0);
    EXPECT_DOUBLE_EQ(trim->end, 3.0);
    trim = computeTrim(analysisFixture("silence.wav"), -50.0, 1.0);
    ASSERT_TRUE(trim);
    EXPECT_DOUBLE_EQ(trim->start, 1.0);
    EXPECT_DOUBLE_EQ(trim->end, 2.0);
}

TEST(AnalysisTrim, TrimsThatWouldMeetLeaveTheWholeFile) {
    const auto silent = computeTrim(analysisFixture("silence.wav"), -50.0, 10.0);
    ASSERT_TRUE(silent);
    EXPECT_EQ(silent->start, 0.0);
    EXPECT_DOUBLE_EQ(silent->end, 3.0);

    // The tone peaks at -6 dB: with a -3 dB threshold nothing is audible.
    const auto quiet = computeTrim(analysisFixture("tone-at-1.5s.wav"), -3.0, 10.0);
    ASSERT_TRUE(quiet);
    EXPECT_EQ(quiet->start, 0.0);
    EXPECT_DOUBLE_EQ(quiet->end, 4.0);
}

TEST(AnalysisTrim, OneLoudSampleMarksItsWholeBlockInEitherChannel) {
    WavFolder folder;
    auto file = [&folder](std::size_t leftAt, std::size_t rightAt) {
        std::vector<float> left(20000, 0.0f), right(20000, 0.0f);
        left[leftAt] = 0.5f;
        right[rightAt] = -0.5f;
        return folder.write("click.wav", {left, right});
    };
    // The first block boundary at or below the first loud sample; the last loud
    // sample's block end.
    auto trim = computeTrim(file(2048, 15000), -40.0, 10.0);
    ASSERT_TRUE(trim);
    EXPECT_DOUBLE_EQ(trim->start * kRate, 2048);
    EXPECT_DOUBLE_EQ(trim->end * kRate, 15360);

    trim = computeTrim(file(15000, 2047), -40.0, 10.0);
    ASSERT_TRUE(trim);
    EXPECT_DOUBLE_EQ(trim->start * kRate, 1024);
    EXPECT_DOUBLE_EQ(trim->end * kRate, 15360);

    // A block at the very end is cut at the file's length, not at its block end.
    trim = computeTrim(file(19999, 0), -40.0, 10.0);
    ASSERT_TRUE(trim);
    EXPECT_DOUBLE_EQ(trim->start, 0.0);
    EXPECT_DOUBLE_EQ(trim->end * kRate, 20000);
}

TEST(AnalysisTrim, ASampleAtTheThresholdIsNotAudible) {
    WavFolder folder;
    std::vector<float> mono(10000, 0.0f);
    mono[5000] = 0.5f;
    const auto path = folder.write("edge.wav", {mono});
    // 10^(dB/20) rounds to 0.5f exactly at this threshold.
    const double atThreshold = 20.0 * std::log10(0.5);
    const auto trim = computeTrim(path, atThreshold, 10.0);
    ASSERT_TRUE(trim);
    EXPECT_EQ(trim->start, 0.0); // nothing above: the trims meet
    EXPECT_DOUBLE_EQ(trim->end * kRate, 10000);
    const auto below = computeTrim(path, atThreshold - 0.01, 10.0);
    ASSERT_TRUE(below);
    EXPECT_DOUBLE_EQ(below->start * kRate, 4096);
}

// A negative maximum would put the start before the file; it trims nothing instead.
TEST(AnalysisTrim, ANegativeOrHugeMaximumStaysInsideTheFile) {
    const auto path = analysisFixture("tone-at-1.5s.wav");
    const auto negative = computeTrim(path, -50.0, -2.0);
    ASSERT_TRUE(negative);
    EXPECT_EQ(negative->start, 0.0);
    EXPECT_DOUBLE_EQ(negative->end, 4.0);

    const auto huge = computeTrim(path, -50.0, 1e300);
    ASSERT_TRUE(huge);
    EXPECT_DOUBLE_EQ(huge->start, 65536 / kRate);
    EXPECT_DOUBLE_EQ(huge->end, 133120 / kRate);
}

TEST(AnalysisTrim, NothingToMeasureIsAbsent) {
    WavFolder folder;
    EXPECT_FALSE(computeTrim(folder.write("empty.wav", {{}}), -50.0, 10.0));
    EXPECT_FALSE(computeTrim(folder.writeText("text.wav", "RIFF but not really"), -50.0, 10.0));
}

} // namespace
} // namespace orvane
