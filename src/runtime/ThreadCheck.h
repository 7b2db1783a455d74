#pragma once

#include <thread>

// Thread checks for development builds. Most of the core belongs to the main thread
// (the headers say so member by member), and a call from another thread is a data race
// that shows up, if ever, as a rare crash far from its cause. With checks compiled in,
// a main-thread operation starts with ORVANE_ASSERT_MAIN_THREAD(loop), which compares
// the caller with the thread that created the MainLoop; objects without a loop
// (Published) keep an OwningThread, the thread that built them, and check it with
// ORVANE_ASSERT_OWNING_THREAD. A call from the wrong thread prints the file, line and
// operation to stderr and aborts, so the test or session that made it fails there.
//
// The CMake option ORVANE_THREAD_CHECKS compiles them in: on by default for every build
// type except Release and MinSizeRel, so `make test` and the sanitizer build run with
// them and a release package has none. Configure with -DORVANE_THREAD_CHECKS=OFF to
// turn them off in any build, or ON to have them in a release build. Compiled out, a
// check is an unevaluated expression: it still has to compile, and costs nothing.
//
// Checks go on the main-thread side only: never into code that runs on the audio or
// decoder thread, where even a failed check's output would break the real-time rules.

#if !defined(ORVANE_THREAD_CHECKS)
#error "ORVANE_THREAD_CHECKS must be defined (0 or 1); orvane_core's CMake target sets it"
#endif

namespace orvane {

// Reports the call from the wrong thread and aborts.
[[noreturn]] void threadCheckFailed(const char* operation, const char* file, int line) noexcept;

// The thread an object belongs to: the one that constructed it. Empty when the checks
// are compiled out.
class OwningThread {
public:
    bool isCurrent() const {
#if ORVANE_THREAD_CHECKS
        return std::this_thread::get_id() == id_;
#else
        return true;
#endif
    }

#if ORVANE_THREAD_CHECKS
private:
    std::thread::id id_ = std::this_thread::get_id();
#endif
};

} // namespace orvane

#if ORVANE_THREAD_CHECKS
#define ORVANE_THREAD_CHECK_(onThread)                                                             \
    ((onThread) ? static_cast<void>(0)                                                             \
                : ::orvane::threadCheckFailed(__PRETTY_FUNCTION__, __FILE__, __LINE__))
#else
#define ORVANE_THREAD_CHECK_(onThread) static_cast<void>(sizeof(onThread))
#endif

// The caller must be on the thread of `loop` (a MainLoop).
#define ORVANE_ASSERT_MAIN_THREAD(loop) ORVANE_THREAD_CHECK_((loop).onLoopThread())
// The caller must be on the thread `owner` (an OwningThread) was constructed on.
#define ORVANE_ASSERT_OWNING_THREAD(owner) ORVANE_THREAD_CHECK_((owner).isCurrent())
