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
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = false;
    }
    running_.store(true, std::memory_order_release);
    thread_ = std::thread([this, &source] { run(source); });
    return true;
}

void NullOutput::stop() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    thread_.join();
    running_.store(false, std::memory_order_release);
}

void NullOutput::setPaused(bool paused) {
    {
        std::lock_guard lock(mutex_);
        paused_ = paused;
    }
    wake_.notify_all();
}

void NullOutput::run(RenderSource& source) {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(periodFrames_) / sampleRate_));
    auto due = Clock::now();
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            if (paused_) {
                wake_.wait(lock, [this] { return !paused_ || stopRequested_; });
                if (stopRequested_)
                    return;
                due = Clock::now(); // a pause is not a slip to catch up on
            }
        }
        source.render(left_.data(), right_.data(), periodFrames_);
        frames_.fetch_add(periodFrames_, std::memory_order_relaxed);
        due += period;
        const auto now = Clock::now();
        if (now > due + 4 * period) {
            // Far behind (the machine was suspended or starved): start the pace afresh.
            underflows_.fetch_add(1, std::memory_order_relaxed);
            due = now;
        }
        // At least one period per start, so a start is never a no-op.
        std::unique_lock lock(mutex_);
        if (wake_.wait_until(lock, due, [this] { return stopRequested_; }))
            return;
    }
}

} // namespace orvane
