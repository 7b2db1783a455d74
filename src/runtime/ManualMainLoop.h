#pragma once

#include "runtime/MainLoop.h"

#include <cstddef>
#include <memory>

namespace orvane {

// A MainLoop for tests: nothing happens until the test calls advance() or
// runPending(), and time is virtual (it starts at 0), so timer-driven code runs deterministically
// and as fast as the machine allows.
//
// Time is kept in whole nanoseconds, so that ten advances of 0.1 s reach exactly the
// timer due at 1 s, and a repeating timer started at t fires at exactly t + k * interval.
//
// Ordering: posted tasks run first, in posting order, then the earliest due timer;
// timers due at the same instant fire in the order they were scheduled (a repeating
// timer counts as scheduled again each time it fires). Callbacks may post, schedule
// and cancel freely, including cancelling or destroying the handle of the timer that
// is running. Handles may outlive the loop; cancelling them then does nothing.
//
// Threading: post() may be called from any thread; everything else on the thread
// that owns the loop (the test's "main thread"), and never advance() or runPending()
// from inside a callback.
class ManualMainLoop final : public MainLoop {
public:
    ManualMainLoop();
    ~ManualMainLoop() override;
    ManualMainLoop(const ManualMainLoop&) = delete;
    ManualMainLoop& operator=(const ManualMainLoop&) = delete;

    void post(Task task) override;
    [[nodiscard]] TimerHandle runAfter(double seconds, Task task) override;
    [[nodiscard]] TimerHandle runEvery(double seconds, Task task) override;
    double now() const override;

    // Moves virtual time forward by `seconds`, running posted tasks and every timer
    // that falls due up to the new time, each with now() at its due time. Work that
    // callbacks schedule within the interval runs too. Ends with now() at the new time.
    void advance(double seconds);

    // Runs posted tasks (and what they post) and timers already due, without moving time.
    void runPending();

    // Timers still scheduled to fire; lets a test check that an object's timers died.
    std::size_t pendingTimerCount() const;

private:
    struct Timer;
    struct State;
    class Handle;
    std::shared_ptr<State> state_;
};

} // namespace orvane
