#include "runtime/ManualMainLoop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <utility>

namespace orvane {

namespace {

using Nanos = std::int64_t;

// Longer delays are "never" for any test; the cap keeps the nanosecond count in range.
constexpr double kMaxSeconds = 1e9;
// A repeating timer faster than this would make advance() spin; none is that fast.
constexpr Nanos kMinInterval = 1'000'000;

Nanos toNanos(double seconds) {
    if (!(seconds > 0.0)) // negative and NaN alike
        return 0;
    return static_cast<Nanos>(std::llround(std::min(seconds, kMaxSeconds) * 1e9));
}

} // namespace

struct ManualMainLoop::Timer {
    Task task;
    Nanos start = 0;
    Nanos interval = 0; // 0 for a one-shot
    std::int64_t fired = 0;
    Nanos due = 0;
    std::uint64_t seq = 0;
    bool active = true;
    bool running = false;
};

struct ManualMainLoop::State {
    using Key = std::pair<Nanos, std::uint64_t>; // due time, then scheduling order

    Nanos now = 0;
    std::uint64_t nextSeq = 0;
    std::map<Key, std::shared_ptr<Timer>> timers; // active timers not running right now

    std::mutex postMutex; // guards `posted` only: post() is the one cross-thread entry
    std::deque<Task> posted;

    ~State() {
        // Handles may outlive the loop and hold their timer; let go of the callbacks now.
        for (auto& entry : timers) {
            entry.second->active = false;
            entry.second->task = nullptr;
        }
    }

    void schedule(const std::shared_ptr<Timer>& timer) {
        timer->seq = nextSeq++;
        timers.emplace(Key{timer->due, timer->seq}, timer);
    }

    void cancel(Timer& timer) {
        if (!timer.active)
            return;
        timer.active = false;
        if (timer.running)
            return; // fire() lets go of the task once the callback returns
        timers.erase(Key{timer.due, timer.seq});
        timer.task = nullptr;
    }

    bool runOnePosted() {
        Task task;
        {
            std::lock_guard lock(postMutex);
            if (posted.empty())
                return false;
            task = std::move(posted.front());
            posted.pop_front();
        }
        task();
        return true;
    }

    void fire(const std::shared_ptr<Timer>& timer) {
        now = std::max(now, timer->due);
        ++timer->fired;
        if (timer->interval == 0)
            timer->active = false; // a one-shot is spent once it starts, as with QTimer
        timer->running = true;
        try {
            timer->task();
        } catch (...) {
            finish(timer);
            throw;
        }
        finish(timer);
    }

    void finish(const std::shared_ptr<Timer>& timer) {
        timer->running = false;
        if (!timer->active) {
            timer->task = nullptr;
            return;
        }
        // From the start time rather than the last firing, so that no rounding accumulates.
        timer->due = timer->start + (timer->fired + 1) * timer->interval;
        schedule(timer);
    }

    void runUntil(Nanos target) {
        for (;;) {
            if (runOnePosted())
                continue;
            if (timers.empty() || timers.begin()->first.first > target)
                break;
            auto timer = std::move(timers.begin()->second);
            timers.erase(timers.begin());
            fire(timer);
        }
        now = std::max(now, target);
    }
};

class ManualMainLoop::Handle final : public TimerHandle::Impl {
public:
    Handle(std::weak_ptr<State> state, std::shared_ptr<Timer> timer)
        : state_(std::move(state)), timer_(std::move(timer)) {}
    ~Handle() override { cancel(); }

    void cancel() override {
        if (auto state = state_.lock())
            state->cancel(*timer_);
    }
    bool isActive() const override { return timer_->active; }

private:
    std::weak_ptr<State> state_;
    std::shared_ptr<Timer> timer_;
};

ManualMainLoop::ManualMainLoop() : state_(std::make_shared<State>()) {
}

ManualMainLoop::~ManualMainLoop() = default;

void ManualMainLoop::post(Task task) {
    std::lock_guard lock(state_->postMutex);
    state_->posted.push_back(std::move(task));
}

TimerHandle ManualMainLoop::runAfter(double seconds, Task task) {
    auto timer = std::make_shared<Timer>();
    timer->task = std::move(task);
    timer->start = state_->now;
    timer->due = state_->now + toNanos(seconds);
    state_->schedule(timer);
    return TimerHandle(std::make_unique<Handle>(state_, std::move(timer)));
}

TimerHandle ManualMainLoop::runEvery(double seconds, Task task) {
    auto timer = std::make_shared<Timer>();
    timer->task = std::move(task);
    timer->start = state_->now;
    timer->interval = std::max(toNanos(seconds), kMinInterval);
    timer->due = timer->start + timer->interval;
    state_->schedule(timer);
    return TimerHandle(std::make_unique<Handle>(state_, std::move(timer)));
}

double ManualMainLoop::now() const {
    return static_cast<double>(state_->now) / 1e9;
}

void ManualMainLoop::advance(double seconds) {
    state_->runUntil(state_->now + toNanos(seconds));
}

void ManualMainLoop::runPending() {
    state_->runUntil(state_->now);
}

std::size_t ManualMainLoop::pendingTimerCount() const {
    return state_->timers.size();
}

} // namespace orvane
