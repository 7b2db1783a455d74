#pragma once

#include "engine/host/AudioOutput.h"

#include <cstddef>
#include <vector>

namespace orvane {

// Pulls planar stereo from a RenderSource and interleaves it into a device buffer,
// in chunks of at most the scratch size, so that a request of any size is served
// without allocating. Owned by one audio thread.
class InterleavedRender {
public:
    // Allocates the planar scratch up front (`chunkFrames` frames per channel).
    explicit InterleavedRender(std::size_t chunkFrames);

    // Fills `out` with `frames` interleaved L/R frames rendered by `source`.
    // Real-time safe: no allocation, no locks.
    void render(RenderSource& source, float* out, std::size_t frames) noexcept;

    std::size_t chunkFrames() const { return left_.size(); }

private:
    std::vector<float> left_;
    std::vector<float> right_;
};

} // namespace orvane
