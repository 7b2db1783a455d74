#include "engine/host/ManualOutput.h"

#include <algorithm>
#include <cstring>

namespace orvane {

ManualOutput::ManualOutput(double sampleRate, std::int64_t latencyFrames)
    : sampleRate_(sampleRate), latencyFrames_(latencyFrames) {
}

bool ManualOutput::start(RenderSource& source) {
    ++startCount_;
    if (startFails_) {
        source_ = nullptr;
        return false;
    }
    if (rateOnStart_) {
        sampleRate_ = *rateOnStart_;
        rateOnStart_.reset();
    }
    source_ = &source;
    return true;
}

void ManualOutput::stop() {
    source_ = nullptr;
}

bool ManualOutput::selectDevice(const std::optional<std::string>& uid) {
    if (uid && std::find(deviceUIDs_.begin(), deviceUIDs_.end(), *uid) == deviceUIDs_.end())
        return false;
    selected_ = uid;
    return true;
}

void ManualOutput::pull(float* left, float* right, std::size_t frames) {
    if (source_ && !paused_) {
        source_->render(left, right, frames);
        framesRendered_ += frames;
    } else {
        std::memset(left, 0, frames * sizeof(float));
        std::memset(right, 0, frames * sizeof(float));
    }
    framesPulled_ += frames;
}

ManualOutput::Block ManualOutput::pull(std::size_t frames) {
    Block block{std::vector<float>(frames), std::vector<float>(frames)};
    pull(block.left.data(), block.right.data(), frames);
    return block;
}

} // namespace orvane
