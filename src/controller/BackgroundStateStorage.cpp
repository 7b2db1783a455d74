#include "controller/BackgroundStateStorage.h"

#include <pthread.h>

namespace orvane {

BackgroundStateStorage::BackgroundStateStorage(std::unique_ptr<StateStorage> inner)
    : inner_(std::move(inner)), writer_([this] { work(); }) {
}

BackgroundStateStorage::~BackgroundStateStorage() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    writer_.join();
}

PersistedState BackgroundStateStorage::load() {
    return inner_->load();
}

bool BackgroundStateStorage::save(PersistedState state) {
    {
        std::lock_guard lock(mutex_);
        waiting_ = std::move(state);
    }
    wake_.notify_one();
    return true;
}

void BackgroundStateStorage::flush() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return !waiting_ && !writing_; });
}

std::size_t BackgroundStateStorage::writesCompleted() const {
    std::lock_guard lock(mutex_);
    return writesCompleted_;
}

void BackgroundStateStorage::work() {
    pthread_setname_np(pthread_self(), "orvane-save");
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return waiting_ || stopping_; });
        // Stopping still writes the state that is waiting: it is the user's last change.
        if (!waiting_)
            return;
        PersistedState state = std::move(*waiting_);
        waiting_.reset();
        writing_ = true;
        lock.unlock();
        inner_->save(std::move(state));
        lock.lock();
        writing_ = false;
        ++writesCompleted_;
        done_.notify_all();
    }
}

} // namespace orvane
