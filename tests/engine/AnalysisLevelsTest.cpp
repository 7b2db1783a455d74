#include "AnalysisTestSupport.h"
#include "engine/analysis/OfflineAnalysis.h"

#include <algorithm>
#include <cmath>

namespace orvane {
namespace {

using test::analysisFixture;
using test::WavFolder;

TEST(AnalysisLevels, DigitalSilenceReadsMinus80DbNotZero) {
    const auto levels = computeLevels(analysisFixture("silence.wav"));
    ASSERT_TRUE(levels);
    EXPECT_EQ(levels->peak, 0.0001);
    EXPECT_EQ(levels->rms, 0.0001);
}

// Longer than one 262144-frame read, with the loudest sample in the short last
// block and different content per channel: every block and every channel counts.
TEST(AnalysisLevels, PeakAndRmsCoverEveryBlockAndChannel) {
    constexpr std::size_t kFrames = 300000;
    std::vector<float> left = test::cosine(kFrames, 0.5, 100.0);
    std::vector<float> right(kFrames, -0.25f);
    left[290000] = -0.9f;
    WavFolder folder;
    const auto path = folder.write("levels.wav", {left, right});

    double squares = 0.0;
    for (std::size_t i = 0; i < kFrames; ++i) {
        const auto l = static_cast<double>(left[i]);
        const auto r = static_cast<double>(right[i]);
        squares += l * l + r * r;
    }
    const double expectedRms = std::sqrt(squares / (2.0 * kFrames));

    const auto levels = computeLevels(path);
    ASSERT_TRUE(levels);
    EXPECT_DOUBLE_EQ(levels->peak, 0.9f);
    EXPECT_NEAR(levels->rms, expectedRms, expectedRms * 1e-6);
}

TEST(AnalysisLevels, NothingToMeasureIsAbsent) {
    WavFolder folder;
    EXPECT_FALSE(computeLevels(folder.write("empty.wav", {{}, {}})));
    EXPECT_FALSE(
        computeLevels((std::filesystem::temp_directory_path() / "orvane-no-such.wav").native()));
    EXPECT_FALSE(computeLevels(folder.writeText("text.mp3", "ID3? no, just text")));
}

} // namespace
} // namespace orvane
