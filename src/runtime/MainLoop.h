#pragma once

#include <functional>
#include <memory>
#include <thread>

namespace orvane {

// A scheduled timer or delayed task. Owning the handle keeps it alive; destroying
// the handle (or calling cancel) cancels it, so an object's timers die with it and a
// callback never runs against an object that is gone. Move-only. Main thread only.
class TimerHandle {
public:
    // What a loop implementation keeps behind a handle; destroying it cancels.
    class Impl {
    public:
        virtual ~Impl() = default;
        virtual void cancel() = 0;
        virtual bool isActive() const = 0;
    };

    TimerHandle() = default;
    explicit TimerHandle(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
    TimerHandle(TimerHandle&&) noexcept = default;
    TimerHandle& operator=(TimerHandle&& other) noexcept {
        if (this != &other) {
            cancel();
            impl_ = std::move(other.impl_);
        }
        return *this;
    }
    ~TimerHandle() { cancel(); }

    void cancel() {
        if (impl_)
            impl_->cancel();
        impl_.reset();
    }
    // True while the timer will still fire (a one-shot that has fired is inactive).
    bool isActive() const { return impl_ && impl_->isActive(); }

private:
    std::unique_ptr<Impl> impl_;
};

// The main thread's event loop as Orvane's core sees it. Production runs on Qt's
// event loop; tests use ManualMainLoop and its virtual clock.
//
// Threading: post() may be called from any thread. Everything else, and every task
// and timer callback, runs on the main thread. The main thread is the one that created
// the loop (every loop is created on the thread that runs it), so the loop can tell
// its callers whether they are on it.
//
// Development builds check that the core's main-thread operations (PlayerController's,
// the engine's control side) are called on it, and abort when one is not; see
// runtime/ThreadCheck.h for how, and how to turn the checks off.
class MainLoop {
public:
    using Task = std::function<void()>;

    virtual ~MainLoop() = default;

    // Whether the caller runs on the loop's thread.
    bool onLoopThread() const { return std::this_thread::get_id() == thread_; }

    // Runs `task` on the main thread soon, after tasks posted before it.
    virtual void post(Task task) = 0;

    // Runs `task` once, `seconds` from now.
    [[nodiscard]] virtual TimerHandle runAfter(double seconds, Task task) = 0;

    // Runs `task` every `seconds`, first `seconds` from now, until the handle goes.
    [[nodiscard]] virtual TimerHandle runEvery(double seconds, Task task) = 0;

    // Monotonic time in seconds; only differences mean anything.
    virtual double now() const = 0;

protected:
    MainLoop() = default;

private:
    std::thread::id thread_ = std::this_thread::get_id();
};

} // namespace orvane
