#pragma once

#include "engine/host/RenderGraph.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace orvane::test {

// Records what passes one tap point. Capacity is reserved up front so recording
// allocates nothing on the render path; what does not fit is dropped.
class RecordingTap final : public RenderTap {
public:
    explicit RecordingTap(std::size_t capacity = 1 << 20) {
        left.reserve(capacity);
        right.reserve(capacity);
    }
    void onRender(const float* l, const float* r, std::size_t frames) noexcept override {
        const auto room = std::min(frames, left.capacity() - left.size());
        left.insert(left.end(), l, l + room);
        right.insert(right.end(), r, r + room);
    }
    std::vector<float> left;
    std::vector<float> right;
};

} // namespace orvane::test
