#pragma once

#include "engine/host/AudioOutput.h"
#include "platform/InterleavedRender.h"
#include "platform/PulseConnection.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <pulse/stream.h>

namespace orvane {

// Plays the engine's signal on a PulseAudio (or PipeWire) sink: float32 stereo at the
// sink's own rate, about 100 ms ahead of the ear so that pause, fades and meters follow
// the user closely. Paused means corked: the server asks for nothing and keeps what it
// has buffered for the resume.
//
// Threading: start(), stop() and selectDevice() talk to the server and wait for it (up
// to options.timeout each); they are called on one control thread at a time. The
// observers (isRunning, sampleRate, latencyFrames, underflowCount, setPaused,
// currentSinkName) may be called on any thread, also while a control call runs: they
// take a state mutex and the connection's lock only briefly and never wait for the
// server. The RenderSource is called on the connection's loop thread (the audio
// thread), with the loop's lock held, from start() until stop() returns.
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
    void setPaused(bool paused) override;
    // The sink's rate as found by the last successful start(); 48 kHz before that.
    double sampleRate() const override;
    std::int64_t latencyFrames() const override;
    std::uint64_t underflowCount() const override;

    // `uid` is a sink name. While playing, the stream moves at once (the server keeps
    // its buffered audio, and render() runs on without a restart); with none it moves
    // to the server's default sink, which it then follows. Otherwise the choice applies
    // at the next start(). The choice survives a server restart and a sink that goes
    // and comes back. False when a playing stream cannot move (no such sink, or the
    // server refused); the routing is then unchanged.
    bool selectDevice(const std::optional<std::string>& uid) override;

    // Name of the sink the stream plays on now, empty when not running.
    std::string currentSinkName() const;

    std::string failureReason() const override;

private:
    struct Target {
        std::string sinkName; // empty: the default sink, followed as it changes
        std::uint32_t rate = 0;
        bool chosenSinkAbsent = false;
    };
    Target findTarget(PulseConnection& connection);
    pa_stream* connectStream(PulseConnection& connection, RenderSource& source,
                             const std::string& sinkName, std::uint32_t rate, std::string& why);
    bool fail(std::string why);
    void noteChosenSink(bool absent);
    bool moveTo(const std::string& sinkName);
    bool moveToDefault();
    static void closeStream(pa_stream* stream);
    // State mutex and lock held.
    void applyCork();
    void onWrite(pa_stream* stream, std::size_t bytes) noexcept;

    static void streamStateCallback(pa_stream* stream, void* userdata);
    static void writeCallback(pa_stream* stream, std::size_t bytes, void* userdata);
    static void underflowCallback(pa_stream* stream, void* userdata);

    PulseOptions options_;

    // Written only by the control calls, under stateMutex_; the observers read them
    // under it. The control calls read them without it (nobody else writes).
    mutable std::mutex stateMutex_;
    std::unique_ptr<PulseConnection> connection_;
    pa_stream* stream_ = nullptr;
    std::string failure_; // why the last start failed

    // Used by the stream's callbacks on the loop thread.
    pa_threaded_mainloop* loop_ = nullptr;
    RenderSource* source_ = nullptr;
    InterleavedRender renderer_;

    std::optional<std::string> selectedSink_; // control calls only; none: the default sink
    bool reportedSinkAbsent_ = false;         // control calls only
    std::atomic<std::uint32_t> rate_{48000};
    std::atomic<bool> paused_{false};
    std::atomic<bool> running_{false};
    std::atomic<std::uint64_t> underflows_{0};
    std::atomic<int> lostError_{0}; // the server's error when it ended a running stream
};

} // namespace orvane
