#include "engine/host/NullOutput.h"

#include <algorithm>
#include <chrono>

namespace orvane {

NullOutput::NullOutput(double sampleRate, std::size_t periodFrames)
    : sampleRate_(sampleRate > 0 ? sampleRate : 48000.0),
      periodFrames_(std::max<std::size_t>(periodFrames, 1)), left_(periodFrames_),
      right_(periodFrames_) {
}

NullOutput::~NullOutput() {
    stop();
}

bool NullOutput::start(RenderSource& source) {
    stop();
    stopRequested_.store(false, std::memory_order_relaxed);
    running_.store(true, std::memory_order_release);
    thread_ = std::thread([this, &source] { run(source); });
    return true;
}

void NullOutput::stop() {
    if (!thread_.joinable())
        return;
    stopRequested_.store(true, std::memory_order_release);
    thread_.join();
    running_.store(false, std::memory_order_release);
}

void NullOutput::run(RenderSource& source) {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(periodFrames_) / sampleRate_));
    auto due = Clock::now();
    // At least one period per start, so a start is never a no-op.
    do {
        source.render(left_.data(), right_.data(), periodFrames_);
        frames_.fetch_add(periodFrames_, std::memory_order_relaxed);
        due += period;
        const auto now = Clock::now();
        if (now > due + 4 * period) {
            // Far behind (the machine was suspended or starved): start the pace afresh.
            underflows_.fetch_add(1, std::memory_order_relaxed);
            due = now;
        }
        std::this_thread::sleep_until(due);
    } while (!stopRequested_.load(std::memory_order_acquire));
}

} // namespace orvane
