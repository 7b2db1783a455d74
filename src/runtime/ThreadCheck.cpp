#include "runtime/ThreadCheck.h"

#include <cstdio>
#include <cstdlib>

namespace orvane {

void threadCheckFailed(const char* operation, const char* file, int line) noexcept {
    // Nothing else is safe to trust once another thread is inside main-thread state:
    // say where it happened and stop before the race does damage.
    std::fprintf(stderr, "%s:%d: thread check failed: %s called off its owning thread\n", file,
                 line, operation);
    std::abort();
}

} // namespace orvane
