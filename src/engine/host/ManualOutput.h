#pragma once

#include "engine/host/AudioOutput.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace orvane {

// An output that renders only when a test asks: pull(n) is "the audio thread ran for
// n frames". With ManualMainLoop it makes engine tests deterministic: nothing happens
// between calls, so the test decides exactly which frames have been rendered.
//
// Threading: one thread (the test's); pull() calls the source directly.
class ManualOutput final : public AudioOutput {
public:
    explicit ManualOutput(double sampleRate = 44100.0, std::int64_t latencyFrames = 0);

    bool start(RenderSource& source) override;
    void stop() override;
    bool isRunning() const override { return source_ != nullptr; }
    double sampleRate() const override { return sampleRate_; }
    std::int64_t latencyFrames() const override { return latencyFrames_; }
    bool selectDevice(std::optional<std::uint32_t> deviceID) override;

    // Renders `frames` frames into the caller's buffers; silence when not running.
    // Allocates nothing itself, so a test can watch the render path alone.
    void pull(float* left, float* right, std::size_t frames);

    struct Block {
        std::vector<float> left;
        std::vector<float> right;
    };
    // Convenience form that allocates the result.
    Block pull(std::size_t frames);

    // Test controls.
    void setLatencyFrames(std::int64_t frames) { latencyFrames_ = frames; }
    void setStartFails(bool fails) { startFails_ = fails; }
    // The rate the output adopts at its next successful start (a device's own rate).
    void setRateOnNextStart(double rate) { rateOnStart_ = rate; }
    // Ids selectDevice() accepts; others are refused.
    void setDeviceIDs(std::vector<std::uint32_t> ids) { deviceIDs_ = std::move(ids); }
    // Simulates the device vanishing: the output stops running by itself.
    void fail() { source_ = nullptr; }

    int startCount() const { return startCount_; }
    std::optional<std::uint32_t> selectedDevice() const { return selected_; }
    std::uint64_t framesPulled() const { return framesPulled_; }

private:
    RenderSource* source_ = nullptr;
    double sampleRate_;
    std::optional<double> rateOnStart_;
    std::int64_t latencyFrames_;
    bool startFails_ = false;
    int startCount_ = 0;
    std::vector<std::uint32_t> deviceIDs_;
    std::optional<std::uint32_t> selected_;
    std::uint64_t framesPulled_ = 0;
};

} // namespace orvane
