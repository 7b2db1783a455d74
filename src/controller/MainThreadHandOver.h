#pragma once

#include "runtime/MainLoop.h"

#include <functional>
#include <memory>

namespace orvane {

// Lets a background job run a task on the main thread and wait until it has run: the
// synchronous hand-over of the metadata scan, which keeps at most one batch of results
// pending and lets the main thread see the batches in order.
//
// A wait never outlives its reason. close() wakes every waiting job and fails every
// later hand-over, and a task that the loop destroys without running (a loop that is
// going away) releases its waiter as well. The owner closes the hand-over before it
// waits for its background jobs to end, for the main thread never waits for a job
// that may be waiting for the main thread.
//
// Threading: run() from any thread except the main one (it would wait for itself).
// close() and isClosed() from any thread. The tasks run on the main thread. The loop
// must outlive every run() call.
class MainThreadHandOver {
public:
    explicit MainThreadHandOver(MainLoop& loop);
    // Closes.
    ~MainThreadHandOver();
    MainThreadHandOver(const MainThreadHandOver&) = delete;
    MainThreadHandOver& operator=(const MainThreadHandOver&) = delete;

    // Posts `task` to the main thread and blocks until it has run: true. False when
    // the hand-over is closed before the task runs (it then never runs) or the loop
    // dropped it.
    bool run(std::function<void()> task);

    // From now on no task runs and no one waits.
    void close();
    bool isClosed() const;

private:
    struct State;
    struct Ticket;
    class Release;

    MainLoop& loop_;
    std::shared_ptr<State> state_;
};

} // namespace orvane
