#pragma once

#include "engine/host/AudioOutput.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace orvane {

// An output with no device: its own thread renders one period at a time at real-time
// pace and throws the audio away. Orvane falls back to it when no sound server answers,
// so playback, the position clock and track ends go on silently instead of hanging.
//
// Threading: start() and stop() on one thread at a time, setPaused() and the getters on
// any; the source is called on the output's thread. While paused the thread sleeps
// until resumed or stopped, rendering nothing. If rendering falls behind by more than a
// few periods the pace is reset rather than caught up in a burst; each such slip counts
// as an underflow.
class NullOutput final : public AudioOutput {
public:
    explicit NullOutput(double sampleRate = 48000.0, std::size_t periodFrames = 480);
    ~NullOutput() override;
    NullOutput(const NullOutput&) = delete;
    NullOutput& operator=(const NullOutput&) = delete;

    bool start(RenderSource& source) override;
    void stop() override;
    bool isRunning() const override { return running_.load(std::memory_order_acquire); }
    void setPaused(bool paused) override;
    double sampleRate() const override { return sampleRate_; }
    // One period is rendered ahead of "now".
    std::int64_t latencyFrames() const override { return static_cast<std::int64_t>(periodFrames_); }
    std::uint64_t underflowCount() const override {
        return underflows_.load(std::memory_order_relaxed);
    }

    // Frames rendered since the output was created.
    std::uint64_t framesRendered() const { return frames_.load(std::memory_order_relaxed); }

private:
    void run(RenderSource& source);

    double sampleRate_;
    std::size_t periodFrames_;
    std::vector<float> left_;
    std::vector<float> right_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::mutex mutex_;
    std::condition_variable wake_; // resumed or stopped
    bool paused_ = false;          // guarded by mutex_
    bool stopRequested_ = false;   // guarded by mutex_
    std::atomic<std::uint64_t> underflows_{0};
    std::atomic<std::uint64_t> frames_{0};
};

} // namespace orvane
