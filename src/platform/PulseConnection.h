#pragma once

#include <chrono>
#include <memory>
#include <string>

#include <pulse/context.h>
#include <pulse/operation.h>
#include <pulse/rtclock.h>
#include <pulse/thread-mainloop.h>

namespace orvane {

// Where and how patiently to reach the sound server.
struct PulseOptions {
    // Server address as libpulse takes it ("unix:/path"); empty means the usual lookup
    // (PULSE_SERVER, client.conf, the user's runtime folder).
    std::string server;
    // Upper bound for connecting and for every request to the server. A server that
    // is gone, refuses or never answers costs at most this long.
    std::chrono::milliseconds timeout{2000};
};

// One connection to the sound server: a pa_threaded_mainloop with its own thread and
// a connected pa_context on it. Every libpulse call on the context or its streams
// must be made with the lock held (Lock below); callbacks run on the loop's thread
// with the lock already held.
//
// Orvane never lets the sound server block its caller indefinitely: every wait here
// has a deadline, and a dead server turns the context FAILED, which ends every wait.
class PulseConnection {
public:
    // Connects within options.timeout. Returns nullptr when there is no server, it
    // refuses, or it does not answer in time; `error`, when given, then receives a
    // short English reason for the diagnostics. Never spawns a server. Any thread.
    static std::unique_ptr<PulseConnection>
    open(const PulseOptions& options, const char* applicationName, std::string* error = nullptr);

    // libpulse's text for an error number, for the diagnostics.
    static std::string errorText(int error);

    // Disconnects and joins the loop thread. Call without the lock held.
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    pa_context* context() const { return context_; }
    pa_threaded_mainloop* mainloop() const { return mainloop_; }

    // Holds the loop's lock for a scope. Recursive, so callbacks may take it too.
    class Lock {
    public:
        explicit Lock(const PulseConnection& c) : mainloop_(c.mainloop_) {
            pa_threaded_mainloop_lock(mainloop_);
        }
        ~Lock() { pa_threaded_mainloop_unlock(mainloop_); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* mainloop_;
    };

    // A point on libpulse's monotonic clock, `timeout` from now.
    pa_usec_t deadline() const;

    // Lock held. True while the context is connected and usable.
    bool alive() const;

    // Lock held. Waits until `done()` holds, the deadline passes or the context
    // dies; returns done(). Whatever makes `done()` true must signal the loop
    // (signal() below) after changing it.
    template <class Done>
    bool waitUntil(Done done, pa_usec_t until) {
        TimerGuard timer(*this, until);
        while (!done() && alive() && pa_rtclock_now() < until)
            pa_threaded_mainloop_wait(mainloop_);
        return done();
    }

    // Lock held. Waits until the operation's callback has set `done` (and signalled),
    // cancelling the operation on timeout so that its callback never runs afterwards.
    // Takes the operation's reference. False when it is null or did not finish.
    bool finish(pa_operation* operation, const bool& done, pa_usec_t until);

    // Wakes every waitUntil(); for callbacks on the loop thread.
    void signal() const { pa_threaded_mainloop_signal(mainloop_, 0); }

private:
    PulseConnection() = default;

    // Wakes the waiter at its deadline: pa_threaded_mainloop_wait has no timeout.
    class TimerGuard {
    public:
        TimerGuard(PulseConnection& c, pa_usec_t until);
        ~TimerGuard();
        TimerGuard(const TimerGuard&) = delete;
        TimerGuard& operator=(const TimerGuard&) = delete;

    private:
        PulseConnection& connection_;
        pa_time_event* event_ = nullptr;
    };

    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    std::chrono::milliseconds timeout_{0};
};

} // namespace orvane
