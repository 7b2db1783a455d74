#pragma once

#include "engine/host/AudioOutput.h"
#include "engine/host/AudioRing.h"
#include "engine/host/NullOutput.h"
#include "engine/host/PlayerNode.h"
#include "engine/host/RegionDecoder.h"
#include "engine/host/RenderGraph.h"
#include "engine/host/StreamMarker.h"
#include "engine/host/WakeSignal.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace orvane {

struct HostOptions {
    // Run the decoder on its own thread. Tests turn it off and call pump() instead,
    // so that nothing depends on thread timing.
    bool decoderThread = true;
    // Ring size in frames at the output rate (rounded up to a power of two).
    std::size_t ringFrames = std::size_t{1} << 16;
};

// The engine's graph host: the render graph on the output's audio thread, the decoder
// feeding it through the ring, and the output itself (with a silent fallback).
//
// Threads:
//   - main: every public member except pump() in threaded mode;
//   - audio: the output calls render(); it renders the graph, then wakes the decoder;
//   - decoder: decodes ahead into the ring and forwards region completions to
//     `onCompletion` (which must only hand them over, e.g. MainLoop::post).
// In inline mode (no decoder thread) pump() does the decoder's work on the caller's
// thread, and completions are forwarded there.
//
// Output: start() tries the given output; when it fails (no sound server) a NullOutput
// at the same rate takes over so that playback runs on silently, and stays in charge
// until selectDevice() asks for the real output again.
class AudioHost {
public:
    using CompletionHandler = std::function<void(const RegionCompletion&)>;

    AudioHost(std::unique_ptr<AudioOutput> output, CompletionHandler onCompletion,
              HostOptions options = {});
    // Stops the output, then the decoder.
    ~AudioHost();
    AudioHost(const AudioHost&) = delete;
    AudioHost& operator=(const AudioHost&) = delete;

    // --- Player (main thread) ---
    // Replaces whatever the player was to play by `regions`, back to back; returns the
    // new schedule's id. An empty list stops the player's stream. The playing flag is
    // left as it is.
    std::uint64_t schedule(std::vector<RegionRequest> regions);
    // Queues a region behind the current schedule's regions.
    void append(RegionRequest region);
    std::uint64_t currentSchedule() const { return schedule_; }
    void setPlaying(bool playing);
    bool isPlaying() const { return player_.isPlaying(); }

    // The player frame being heard now in the current schedule, or absent when the
    // player has not rendered anything of that schedule yet.
    std::optional<std::int64_t> heardPlayerFrames();

    // --- Graph parameters ---
    RenderGraph& graph() { return graph_; }

    // --- Output (main thread) ---
    struct StartResult {
        bool running = false;     // the real output or the fallback runs
        bool rateChanged = false; // sampleRate() differs from before the start
    };
    // Starts an output if none is running.
    StartResult ensureRunning();
    bool isRunning() const;
    bool onFallback() const { return fallbackActive_; }
    // The graph's rate: the rate the regions are decoded to.
    double sampleRate() const { return rate_; }
    // Frames from the player's output to the listener: the tone chain's look-ahead
    // plus the output's own latency.
    std::int64_t latencyFrames() const;
    // The output's latency alone (what lies after the meter tap).
    std::int64_t outputLatencyFrames() const;
    // Routes the real output; leaves the fallback (the caller restarts as needed).
    bool selectDevice(std::optional<std::uint32_t> deviceID);
    // Stops whichever output runs.
    void stopOutput();

    AudioOutput& output() { return *output_; }

    // --- Statistics ---
    std::uint64_t underrunCount() const { return player_.underrunCount(); }

    // Inline mode: decode until the ring is full and forward completions now.
    void pump();

private:
    class Source final : public RenderSource {
    public:
        explicit Source(AudioHost& host) : host_(host) {}
        void render(float* left, float* right, std::size_t frames) noexcept override;

    private:
        AudioHost& host_;
    };

    void runDecoder();
    void forwardCompletions();
    AudioOutput* active() const;

    HostOptions options_;
    CompletionHandler onCompletion_;

    AudioRing ring_;
    MarkerQueue markers_;
    CompletionQueue completions_;
    PlayerNode player_;
    RenderGraph graph_;
    RegionDecoder decoder_;
    Source source_{*this};

    std::unique_ptr<AudioOutput> output_;
    std::unique_ptr<NullOutput> fallback_;
    bool fallbackActive_ = false;
    double rate_;
    std::uint64_t schedule_ = 0;

    WakeSignal wake_;
    std::atomic<bool> stopDecoder_{false};
    std::thread decoderThread_;
};

} // namespace orvane
