#include "AnalysisTestSupport.h"
#include "engine/analysis/OfflineAnalysis.h"
#include "engine/analysis/TempoDetection.h"

#include <algorithm>
#include <cmath>

namespace orvane {
namespace {

using test::analysisFixture;
using test::WavFolder;

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

// Digital silence reads -80 dB, not zero; a file with nothing to measure has no levels,
// no trim and no tempo.
TEST(OfflineAnalysis, SilenceReadsTheFloorAndNothingToMeasureIsAbsent) {
    const auto silent = computeLevels(analysisFixture("silence.wav"));
    ASSERT_TRUE(silent);
    EXPECT_EQ(silent->peak, 0.0001);
    EXPECT_EQ(silent->rms, 0.0001);

    WavFolder folder;
    for (const auto& path :
         {folder.write("empty.wav", {{}, {}}), folder.write("mono.wav", {{}}),
          folder.writeText("text.mp3", "ID3? no, just text"),
          folder.writeText("text.wav", "RIFF but not really"),
          (std::filesystem::temp_directory_path() / "orvane-no-such.wav").native()}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(computeLevels(path));
        EXPECT_FALSE(computeTrim(path, -50.0, 10.0));
        EXPECT_FALSE(detectBPM(path));
    }
}

} // namespace
} // namespace orvane
