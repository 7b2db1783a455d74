#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// The contract between Orvane's engine and whatever plays its signal. The engine only
// knows these interfaces; the PulseAudio output and device list live in src/platform,
// the null and manual outputs next to this file.

// Produces the audio an output plays. Called on the output's audio thread only.
//
// Real-time contract: render() must not allocate, block on a lock another thread may
// hold for long, touch files or log. It always fills all `frames` frames (silence
// when there is nothing to play). Any `frames` count is allowed, including 0.
class RenderSource {
public:
    virtual ~RenderSource() = default;
    virtual void render(float* left, float* right, std::size_t frames) noexcept = 0;
};

// One output device as the user sees it. `uid` is stable across runs (stored in the
// settings; a PulseAudio sink name) and is what the output is routed by; `id` is the
// session-local number (a sink index), valid until the server re-enumerates its devices. `name` is
// the display text (the sink's description).
struct OutputDevice {
    std::uint32_t id = 0;
    std::string uid;
    std::string name;

    friend bool operator==(const OutputDevice&, const OutputDevice&) = default;
};

// Where the engine's stereo float signal goes: the sound server, a null sink that
// consumes audio at real-time pace, or a test that pulls blocks by hand.
//
// Threading: the members are in two groups.
//   - Control (start, stop, selectDevice) may wait on a sound server for up to its
//     timeout. The engine calls them on its output control thread, one at a time and
//     in order (or inline on the main thread in tests).
//   - Observers (isRunning, sampleRate, latencyFrames, underflowCount, setPaused) never
//     wait on a server and may be called from any thread, also while a control call
//     runs on another.
// The output calls its RenderSource on its own audio thread between start() and stop(),
// except while paused.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Starts pulling audio from `source` (which must outlive the running output).
    // Returns false when the output cannot start; the caller then plays silently.
    // Calling start() on a running output restarts it with `source`. A paused output
    // starts paused.
    virtual bool start(RenderSource& source) = 0;
    // Stops pulling; when it returns, render() is no longer running or called.
    // Harmless when not running.
    virtual void stop() = 0;
    // False before start(), after stop(), and once the device or server went away.
    virtual bool isRunning() const = 0;

    // Paused (corked): render() is not called and the device plays nothing; whatever
    // the output had buffered plays first once it is resumed. Applies at once while
    // running and is kept for the next start().
    virtual void setPaused(bool paused) = 0;

    // The rate render() runs at (the device's rate), in Hz; always positive. It may
    // change only when start() succeeds (an output adopts its device's rate then), so
    // the engine reads it again after every successful start().
    virtual double sampleRate() const = 0;
    // Frames between a frame being rendered and it being heard, as best known now.
    // The engine subtracts it from its position clock and delays completions by it.
    virtual std::int64_t latencyFrames() const = 0;
    // Times the device ran dry since the output was created.
    virtual std::uint64_t underflowCount() const { return 0; }

    // Routes the output to the device with this OutputDevice::uid, or with none back to
    // the system's default device, following later changes of the default. Applies at
    // once while running (buffered audio is kept), otherwise at the next start(); a
    // chosen device that is absent at a start leaves the output on the default one
    // until it is back. Returns false when a running output cannot move to the device
    // (unknown, or refused); the routing is then unchanged. Outputs without devices
    // accept only "none".
    virtual bool selectDevice(const std::optional<std::string>& uid) { return !uid.has_value(); }

    // Why the last start() failed, or why the output stopped running by itself (the
    // server went away, the device was removed); empty when there is nothing to tell.
    // For the diagnostics; may be called from any thread.
    virtual std::string failureReason() const { return {}; }
};

// The list of output devices the user can choose from (PulseAudio sinks, monitors
// excluded). Stateless from the caller's view: every call asks the system again.
//
// Threading: calls may take up to the sound server's timeout (with no server they
// return an empty list), so they are made off the GUI thread; they may overlap on
// different threads, so an implementation keeps no shared state between calls (the
// PulseAudio one opens a connection per call).
class OutputDeviceManager {
public:
    virtual ~OutputDeviceManager() = default;

    // The current output devices in the order the system lists them.
    virtual std::vector<OutputDevice> listOutputDevices() = 0;
};

} // namespace orvane
