#pragma once

#include "engine/host/AudioOutput.h"
#include "engine/host/AudioRing.h"
#include "engine/host/OutputSupervisor.h"
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
    // How the output is connected and watched (tests run its control calls inline).
    OutputOptions output;
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
// Output: an OutputSupervisor runs the given output, with a silent stand-in while it
// cannot play, and brings it back when it can; see there.
class AudioHost {
public:
    using CompletionHandler = std::function<void(const RegionCompletion&)>;

    // `onOutputControlDone` is called on the output's control thread when a connect
    // attempt has finished; the owner then calls serviceOutput() on the main thread.
    AudioHost(std::unique_ptr<AudioOutput> output, CompletionHandler onCompletion,
              HostOptions options = {}, std::function<void()> onOutputControlDone = {});
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
    // The player frames rendered so far in the current schedule (heard or still on their
    // way through the look-ahead and the output), or absent as above.
    std::optional<std::int64_t> renderedPlayerFrames() const;

    // --- Graph parameters ---
    RenderGraph& graph() { return graph_; }

    // --- Output (main thread; `now` is the main loop's time) ---
    using OutputChange = OutputSupervisor::Change;
    // Sound is wanted: an output runs and is uncorked; the real one is tried at once
    // when the stand-in plays.
    OutputChange startOutput(double now);
    // Swaps outputs as the real one comes and goes; on every engine tick.
    OutputChange serviceOutput(double now);
    // Corks the output (nothing renders) or uncorks it.
    void setOutputPaused(bool paused);
    bool isOutputPaused() const { return outputs_.isPaused(); }
    bool isRunning() const { return outputs_.isRunning(); }
    bool onFallback() const { return outputs_.onStandIn(); }
    // The graph's rate: the rate the regions are decoded to.
    double sampleRate() const { return rate_; }
    // Frames from the player's output to the listener: the tone chain's look-ahead
    // plus the output's own latency.
    std::int64_t latencyFrames() const;
    // The output's latency alone (what lies after the meter tap).
    std::int64_t outputLatencyFrames() const;
    // Routes the real output by device uid (none: the default device).
    OutputChange selectDevice(std::optional<std::string> uid, double now);
    // Stops whichever output runs.
    void stopOutput();

    // The real output (not the stand-in).
    AudioOutput& output() { return outputs_.realOutput(); }

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
    OutputChange adoptOutputRate(OutputChange change);

    HostOptions options_;
    CompletionHandler onCompletion_;

    AudioRing ring_;
    MarkerQueue markers_;
    CompletionQueue completions_;
    PlayerNode player_;
    RenderGraph graph_;
    RegionDecoder decoder_;
    Source source_{*this};

    OutputSupervisor outputs_;
    double rate_;
    std::uint64_t schedule_ = 0;

    WakeSignal wake_;
    std::atomic<bool> stopDecoder_{false};
    std::thread decoderThread_;
};

} // namespace orvane
