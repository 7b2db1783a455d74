#include "engine/host/FormatConverter.h"

#include "engine/DspTestSupport.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

using dsptest::noise;

// Converts `left`/`right` in pieces of the given sizes (cycled), then drains.
StereoFrames convertInPieces(FormatConverter& converter, const std::vector<float>& left,
                             const std::vector<float>& right, std::vector<std::size_t> pieces) {
    StereoFrames out;
    std::size_t at = 0;
    for (std::size_t i = 0; at < left.size(); ++i) {
        const auto n = std::min(pieces[i % pieces.size()], left.size() - at);
        const float* channels[2] = {left.data() + at, right.data() + at};
        converter.convert(channels, n, out);
        at += n;
    }
    converter.drain(out);
    return out;
}

TEST(FormatConverterTest, ResampledOutputIsAlignedAndEndsAtTheComputedLength) {
    // An impulse at input frame 1000 of 44.1 kHz belongs at 1000 * 48000 / 44100 =
    // 1088.4 output frames: the largest sample must be at 1088.
    std::vector<float> impulse(4410, 0.0f);
    impulse[1000] = 1.0f;
    FormatConverter converter(44100, 2, 48000);
    ASSERT_TRUE(converter.resamples());
    const auto out = convertInPieces(converter, impulse, impulse, {4410});
    const auto peak = std::max_element(out.left.begin(), out.left.end(),
                                       [](float a, float b) { return std::abs(a) < std::abs(b); });
    EXPECT_EQ(peak - out.left.begin(), 1088);
    EXPECT_EQ(converter.outputFrames(4410), 4800);
    EXPECT_EQ(converter.outputFrames(4411), 4802); // rounds up: the frame at or after the end
    EXPECT_EQ(out.size(), 4800u);
}

TEST(FormatConverterTest, ResampledOutputDoesNotDependOnHowTheInputIsCut) {
    // The base of the gapless promise when rates differ: a seam between two regions is
    // only a different cut of the converter's input.
    const auto in = noise(0.5, 20000, 4);
    FormatConverter whole(44100, 2, 48000);
    FormatConverter cut(44100, 2, 48000);
    const auto a = convertInPieces(whole, in.left, in.right, {20000});
    const auto b = convertInPieces(cut, in.left, in.right, {7001, 13, 4096, 1});
    ASSERT_EQ(a.size(), b.size());
    float worst = 0.0f;
    for (std::size_t i = 0; i < a.size(); ++i)
        worst =
            std::max({worst, std::abs(a.left[i] - b.left[i]), std::abs(a.right[i] - b.right[i])});
    EXPECT_LE(worst, 1e-6f);
}

} // namespace
} // namespace orvane
