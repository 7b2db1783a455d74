#include "runtime/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace orvane {

namespace {

constexpr int kBackgroundNice = 10;

} // namespace

void parallelFor(std::size_t count, std::size_t workers, const char* name,
                 const std::function<void(std::size_t)>& body) {
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
            try {
                body(i);
            } catch (...) {
                // The item's result stays absent; the rest go on.
            }
        }
    };
    std::vector<std::jthread> helpers;
    const std::size_t extra = std::min(workers, count) > 1 ? std::min(workers, count) - 1 : 0;
    helpers.reserve(extra);
    for (std::size_t t = 0; t < extra; ++t) {
        helpers.emplace_back([&work, name] {
            pthread_setname_np(pthread_self(), name);
            // On Linux the nice value belongs to the thread; failure keeps the caller's.
            setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kBackgroundNice);
            work();
        });
    }
    work();
}

std::size_t backgroundWorkerCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 1 ? cores - 1 : 1;
}

} // namespace orvane
