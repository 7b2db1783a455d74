#include "platform/InterleavedRender.h"

#include <algorithm>

namespace orvane {

InterleavedRender::InterleavedRender(std::size_t chunkFrames)
    : left_(std::max<std::size_t>(chunkFrames, 1)), right_(std::max<std::size_t>(chunkFrames, 1)) {
}

void InterleavedRender::render(RenderSource& source, float* out, std::size_t frames) noexcept {
    while (frames > 0) {
        const std::size_t n = std::min(frames, left_.size());
        source.render(left_.data(), right_.data(), n);
        for (std::size_t i = 0; i < n; ++i) {
            out[2 * i] = left_[i];
            out[2 * i + 1] = right_[i];
        }
        out += 2 * n;
        frames -= n;
    }
}

} // namespace orvane
