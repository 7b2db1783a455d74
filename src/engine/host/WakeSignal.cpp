#include "engine/host/WakeSignal.h"

#include <cerrno>
#include <ctime>

namespace orvane {

void WakeSignal::wait(std::chrono::milliseconds timeout) noexcept {
    timespec until{};
    clock_gettime(CLOCK_MONOTONIC, &until);
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(timeout).count();
    until.tv_sec += static_cast<time_t>(ns / 1'000'000'000);
    until.tv_nsec += static_cast<long>(ns % 1'000'000'000);
    if (until.tv_nsec >= 1'000'000'000) {
        until.tv_sec += 1;
        until.tv_nsec -= 1'000'000'000;
    }
    while (sem_clockwait(&sem_, CLOCK_MONOTONIC, &until) != 0 && errno == EINTR) {
    }
    while (sem_trywait(&sem_) == 0) {
    }
}

} // namespace orvane
