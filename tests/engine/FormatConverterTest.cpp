#include "engine/host/FormatConverter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(FormatConverterTest, ResampledOutputIsAlignedAndEndsAtTheComputedLength) {
    // An impulse at input frame 1000 of 44.1 kHz belongs at 1000 * 48000 / 44100 =
    // 1088.4 output frames: the largest sample must be at 1088.
    std::vector<float> impulse(4410, 0.0f);
    impulse[1000] = 1.0f;
    FormatConverter converter(44100, 2, 48000);
    ASSERT_TRUE(converter.resamples());
    StereoFrames out;
    const float* channels[2] = {impulse.data(), impulse.data()};
    converter.convert(channels, impulse.size(), out);
    converter.drain(out);
    const auto peak = std::max_element(out.left.begin(), out.left.end(),
                                       [](float a, float b) { return std::abs(a) < std::abs(b); });
    EXPECT_EQ(peak - out.left.begin(), 1088);
    EXPECT_EQ(converter.outputFrames(4410), 4800);
    EXPECT_EQ(converter.outputFrames(4411), 4802); // rounds up: the frame at or after the end
    EXPECT_EQ(out.size(), 4800u);
}

} // namespace
} // namespace orvane
