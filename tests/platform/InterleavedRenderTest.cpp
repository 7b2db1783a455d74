#include "platform/InterleavedRender.h"

#include <cstddef>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// Left carries the running frame number, right its negative, so that any lost,
// repeated or swapped sample shows.
class CountingSource final : public RenderSource {
public:
    void render(float* left, float* right, std::size_t frames) noexcept override {
        calls.push_back(frames);
        for (std::size_t i = 0; i < frames; ++i, ++next) {
            left[i] = static_cast<float>(next);
            right[i] = -static_cast<float>(next);
        }
    }
    std::vector<std::size_t> calls;
    std::size_t next = 0;
};

TEST(InterleavedRender, InterleavesLeftThenRightInChunksOfTheScratchSizeAcrossRequests) {
    InterleavedRender renderer(4);
    CountingSource source;
    std::vector<float> out(2 * 10 + 1, 99.0f);
    renderer.render(source, out.data(), 0);
    EXPECT_TRUE(source.calls.empty());
    renderer.render(source, out.data(), 10);

    EXPECT_EQ(source.calls, (std::vector<std::size_t>{4, 4, 2}));
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(out[2 * i], static_cast<float>(i)) << "frame " << i;
        EXPECT_EQ(out[2 * i + 1], -static_cast<float>(i)) << "frame " << i;
    }
    EXPECT_EQ(out[20], 99.0f) << "wrote past the request";

    // The next request goes on where the last one stopped.
    renderer.render(source, out.data(), 3);
    EXPECT_EQ(source.calls.back(), 3u);
    EXPECT_EQ(out[0], 10.0f);
    EXPECT_EQ(out[5], -12.0f);
}

} // namespace
} // namespace orvane
