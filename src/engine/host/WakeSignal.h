#pragma once

#include <chrono>

#include <semaphore.h>

namespace orvane {

// Wakes a sleeping worker. signal() is safe on the audio thread: a POSIX semaphore
// post neither allocates nor blocks (it is even async-signal-safe).
//
// Threading: signal() from any thread; wait() from the one worker.
class WakeSignal {
public:
    WakeSignal() { sem_init(&sem_, 0, 0); }
    ~WakeSignal() { sem_destroy(&sem_); }
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    void signal() noexcept { sem_post(&sem_); }

    // Sleeps until signalled or `timeout` passes, then swallows every pending signal.
    void wait(std::chrono::milliseconds timeout) noexcept;

private:
    sem_t sem_{};
};

} // namespace orvane
