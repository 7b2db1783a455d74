#pragma once

#include "engine/host/AudioOutput.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
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
    void setPaused(bool paused) override { paused_ = paused; }
    double sampleRate() const override { return sampleRate_; }
    std::int64_t latencyFrames() const override { return latencyFrames_; }
    bool selectDevice(const std::optional<std::string>& uid) override;

    // Renders `frames` frames into the caller's buffers; silence, without rendering,
    // when not running or paused (a corked stream asks for nothing).
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
    // Device uids selectDevice() accepts; others are refused.
    void setDeviceUIDs(std::vector<std::string> uids) { deviceUIDs_ = std::move(uids); }
    // Simulates the device or server vanishing: the output stops running by itself.
    void fail() { source_ = nullptr; }

    int startCount() const { return startCount_; }
    bool isPaused() const { return paused_; }
    const std::optional<std::string>& selectedDevice() const { return selected_; }
    std::uint64_t framesPulled() const { return framesPulled_; }
    // Frames pulled while running and not paused: the ones the source rendered.
    std::uint64_t framesRendered() const { return framesRendered_; }

private:
    RenderSource* source_ = nullptr;
    double sampleRate_;
    std::optional<double> rateOnStart_;
    std::int64_t latencyFrames_;
    bool startFails_ = false;
    bool paused_ = false;
    int startCount_ = 0;
    std::vector<std::string> deviceUIDs_;
    std::optional<std::string> selected_;
    std::uint64_t framesPulled_ = 0;
    std::uint64_t framesRendered_ = 0;
};

} // namespace orvane
