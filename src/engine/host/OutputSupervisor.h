#pragma once

#include "engine/host/AudioOutput.h"
#include "engine/host/NullOutput.h"
#include "engine/host/RenderGate.h"
#include "runtime/SerialQueue.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace orvane {

struct OutputOptions {
    // Connect, move and stop the real output on a control thread of its own, so that
    // the main thread never waits on a sound server. Tests turn it off: every control
    // call then runs inline, at once.
    bool controlThread = true;
    // While the stand-in plays, the real output is tried again this often.
    double retrySeconds = 0.5;
    // A first connect that has not answered after this long gets the stand-in going,
    // so that the clock runs while the server makes up its mind.
    double standInAfterSeconds = 0.1;
    // Makes the stand-in for a rate; none: a NullOutput. Tests give one they pull by hand.
    std::function<std::unique_ptr<AudioOutput>(double rate)> makeStandIn;
};

// Keeps the engine's signal flowing whatever the sound server does. The real output
// plays when it can; when it cannot start, or dies under a playing stream (the server
// restarts, a device goes), a NullOutput stands in at the same rate so that the clock,
// the meters and track ends go on silently, and the real output is tried again every
// retrySeconds until it answers. It then takes over at the position the clock shows.
// Play, resume and seek (start()) try it again at once.
//
// The two outputs share the render graph through a RenderGate: the newly connected
// output pulls silence until the main thread hands it the gate, so the graph is never
// rendered by two threads at once.
//
// Threading: every public member on the main thread. Control calls of the real output
// run on the control thread (see OutputOptions); when one finishes, `onControlDone`
// is called there, and the owner is expected to call service() soon on the main thread
// (the engine posts it).
class OutputSupervisor {
public:
    OutputSupervisor(std::unique_ptr<AudioOutput> real, RenderSource& graph, OutputOptions options,
                     std::function<void()> onControlDone);
    // Stops both outputs; waits for a control call under way.
    ~OutputSupervisor();
    OutputSupervisor(const OutputSupervisor&) = delete;
    OutputSupervisor& operator=(const OutputSupervisor&) = delete;

    struct Change {
        bool rateChanged = false; // sampleRate() differs from before the call
    };

    // Sound is wanted (play, resume, seek): something renders from now on, and when the
    // stand-in plays the real output is tried again at once. `now` is the main loop's
    // time.
    Change start(double now);
    // Swaps the outputs as the real one comes and goes, and retries it on schedule. The
    // engine calls it on its tick and after onControlDone.
    Change service(double now);
    // Corks whichever output runs (nothing renders) or uncorks it.
    void setPaused(bool paused);
    // Routes the real output (by device uid; none: the default device). While the
    // stand-in plays, the real output is tried again at once on the chosen device.
    Change selectDevice(std::optional<std::string> uid, double now);
    // Stops both outputs. start() begins again.
    void stop();
    // Runs `task` on the calling thread while no output renders: the player's consumer
    // side is then the caller's for a moment (to drop stale data while corked).
    template <class Task>
    void whileNothingRenders(Task task) {
        const auto owner = gate_.owner();
        gate_.select(RenderGate::kNone);
        task();
        gate_.select(owner);
    }

    // Something renders (or would, but for a pause): the real output or the stand-in.
    bool isRunning() const;
    bool onStandIn() const { return active_ == RenderGate::kStandIn; }
    bool isPaused() const { return paused_; }
    // The rate of the output that runs (or ran last): the graph's rate.
    double sampleRate() const { return rate_; }
    std::int64_t latencyFrames() const;
    AudioOutput& realOutput() { return *real_; }

private:
    void beginAttempt(double now);
    // An outage is reported when it begins and when it ends, not on every retry.
    void reportOutage(const char* what, const std::string& why, double now);
    void reportRecovery(double now);
    Change takeOverFromStandIn();
    void standIn();
    void dropRealOutput();
    void runControl(std::function<void()> task);

    std::unique_ptr<AudioOutput> real_;
    OutputOptions options_;
    std::function<void()> onControlDone_;
    RenderGate gate_;
    RenderGate::Source realSource_{gate_, RenderGate::kReal};
    RenderGate::Source standInSource_{gate_, RenderGate::kStandIn};
    std::unique_ptr<AudioOutput> standIn_;

    // Main thread.
    RenderGate::Lane active_ = RenderGate::kNone;
    bool wanted_ = false;
    bool paused_ = false;
    double rate_;
    bool attemptInFlight_ = false;
    double attemptStarted_ = 0.0;
    std::optional<double> lastAttempt_;
    std::optional<double> outageSince_; // reported, and not over yet

    // Written by the control thread, read by the main thread once done is set.
    std::atomic<bool> attemptDone_{false};
    std::atomic<bool> attemptSucceeded_{false};
    std::string attemptFailure_; // the output's reason for a failed attempt

    // Last: its thread runs control calls on everything above.
    std::unique_ptr<SerialQueue> control_;
};

} // namespace orvane
