#include "controller/MainThreadHandOver.h"

#include <condition_variable>
#include <mutex>
#include <utility>

namespace orvane {

// Shared by the owner, the waiting jobs and the posted tasks, which may outlive the
// owner in the loop's queue.
struct MainThreadHandOver::State {
    mutable std::mutex mutex;
    std::condition_variable changed; // a task finished or was dropped, or close()
    bool closed = false;
};

// One hand-over's outcome; guarded by State::mutex.
struct MainThreadHandOver::Ticket {
    bool finished = false; // ran, or will never run
    bool ran = false;
};

// Wakes the waiter once the posted task is done with, whether it ran or the loop
// destroyed it unrun.
class MainThreadHandOver::Release {
public:
    Release(std::shared_ptr<State> state, std::shared_ptr<Ticket> ticket)
        : state_(std::move(state)), ticket_(std::move(ticket)) {}
    Release(const Release&) = delete;
    Release& operator=(const Release&) = delete;
    ~Release() { finish(false); }

    // False when the hand-over is closed: the task must not run.
    bool mayRun() const {
        std::lock_guard lock(state_->mutex);
        return !state_->closed;
    }

    void finish(bool ran) {
        {
            std::lock_guard lock(state_->mutex);
            if (ticket_->finished)
                return;
            ticket_->finished = true;
            ticket_->ran = ran;
        }
        state_->changed.notify_all();
    }

private:
    std::shared_ptr<State> state_;
    std::shared_ptr<Ticket> ticket_;
};

MainThreadHandOver::MainThreadHandOver(MainLoop& loop)
    : loop_(loop), state_(std::make_shared<State>()) {
}

MainThreadHandOver::~MainThreadHandOver() {
    close();
}

bool MainThreadHandOver::run(std::function<void()> task) {
    if (isClosed())
        return false;
    auto ticket = std::make_shared<Ticket>();
    auto release = std::make_shared<Release>(state_, ticket);
    loop_.post([task = std::move(task), release]() mutable {
        if (!release->mayRun())
            return; // closed meanwhile: the waiter has been woken already
        task();
        release->finish(true);
    });
    release.reset(); // from now on only the posted task keeps it

    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [&] { return ticket->finished || state_->closed; });
    return ticket->ran;
}

void MainThreadHandOver::close() {
    {
        std::lock_guard lock(state_->mutex);
        state_->closed = true;
    }
    state_->changed.notify_all();
}

bool MainThreadHandOver::isClosed() const {
    std::lock_guard lock(state_->mutex);
    return state_->closed;
}

} // namespace orvane
