#pragma once

#include "engine/host/AudioOutput.h"
#include "platform/InterleavedRender.h"
#include "platform/PulseConnection.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <pulse/stream.h>

namespace orvane {

// Plays the engine's signal on a PulseAudio (or PipeWire) sink: float32 stereo at the
// sink's own rate, about 100 ms ahead of the ear so that pause, fades and meters follow
// the user closely. The stream is never corked: the engine renders silence when paused.
//
// Threading: every member is called on the main thread. The RenderSource is called on
// the connection's loop thread (the audio thread), with the loop's lock held, from
// start() until stop() returns. Main-thread calls that talk to the server hold that
// lock only briefly and never wait longer than options.timeout.
//
// Failure: start() returns false within the timeout when no server answers; a server
// that dies while playing turns isRunning() false, and stop() or a later start()
// clean up without waiting for it.
class PulseOutput final : public AudioOutput {
public:
    // The latency asked of the server (the stream's target buffer length).
    static constexpr std::uint32_t kTargetLatencyUsec = 100'000;

    explicit PulseOutput(PulseOptions options = {});
    ~PulseOutput() override;
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    bool start(RenderSource& source) override;
    void stop() override;
    bool isRunning() const override;
    // The sink's rate as found by the last successful start(); 48 kHz before that.
    double sampleRate() const override;
    std::int64_t latencyFrames() const override;
    std::uint64_t underflowCount() const override;

    // `deviceID` is a sink index. While playing, the stream moves at once (the server
    // keeps its buffered audio, and render() runs on without a restart); with none it
    // moves to the server's default sink, which it then follows. Otherwise the choice
    // applies at the next start(). The choice is remembered by sink name, so it
    // survives a server restart and a sink that comes back. False when the sink does
    // not exist (or no server answers) or the server refused the move; the routing is
    // then unchanged.
    bool selectDevice(std::optional<std::uint32_t> deviceID) override;

    // Name of the sink the stream plays on now, empty when not running.
    std::string currentSinkName() const;

private:
    struct Target {
        std::string sinkName; // empty: the default sink, followed as it changes
        std::uint32_t rate = 0;
    };
    Target findTarget();
    bool connectStream(RenderSource& source, const std::string& sinkName, std::uint32_t rate);
    std::optional<std::string> sinkName(std::uint32_t sinkIndex) const;
    std::optional<std::string> moveTo(std::uint32_t sinkIndex);
    bool moveToDefault();
    void closeStream();
    void onWrite(std::size_t bytes) noexcept;

    static void streamStateCallback(pa_stream* stream, void* userdata);
    static void writeCallback(pa_stream* stream, std::size_t bytes, void* userdata);
    static void underflowCallback(pa_stream* stream, void* userdata);

    PulseOptions options_;
    std::unique_ptr<PulseConnection> connection_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_stream* stream_ = nullptr;
    RenderSource* source_ = nullptr;
    InterleavedRender renderer_;

    std::optional<std::string> selectedSink_; // by name; none: the default sink
    std::uint32_t rate_ = 48000;

    std::atomic<bool> running_{false};
    std::atomic<std::uint64_t> underflows_{0};
};

} // namespace orvane
