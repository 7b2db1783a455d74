#include "controller/BackgroundStateStorage.h"

#include <utility>

#include <pthread.h>

namespace orvane {

BackgroundStateStorage::BackgroundStateStorage(std::unique_ptr<StateStorage> inner,
                                               LoadAhead loadAhead)
    : inner_(std::move(inner)), loadingAhead_(loadAhead == LoadAhead::yes),
      writer_([this] { work(); }) {
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
    {
        std::unique_lock lock(mutex_);
        if (loadingAhead_) {
            done_.wait(lock, [this] { return loadedAhead_.has_value(); });
            loadingAhead_ = false;
            PersistedState state = std::move(*loadedAhead_);
            loadedAhead_.reset();
            return state;
        }
    }
    return inner_->load();
}

bool BackgroundStateStorage::save(PersistedState state) {
    {
        std::lock_guard lock(mutex_);
        // The state's resume fields are the newest: a resume point still waiting is older.
        waitingResume_.reset();
        waiting_ = std::move(state);
    }
    wake_.notify_one();
    return true;
}

bool BackgroundStateStorage::saveResume(const ResumePoint& point) {
    {
        std::lock_guard lock(mutex_);
        if (waiting_)
            waiting_->setResumePoint(point);
        waitingResume_ = point;
    }
    wake_.notify_one();
    return true;
}

void BackgroundStateStorage::flush() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return !waiting_ && !waitingResume_ && !writing_; });
}

std::size_t BackgroundStateStorage::writesCompleted() const {
    std::lock_guard lock(mutex_);
    return writesCompleted_;
}

void BackgroundStateStorage::work() {
    pthread_setname_np(pthread_self(), "orvane-save");
    std::unique_lock lock(mutex_);
    if (loadingAhead_) {
        // Nothing is saved before the state was loaded: the controller loads first.
        lock.unlock();
        PersistedState state = inner_->load();
        lock.lock();
        loadedAhead_ = std::move(state);
        done_.notify_all();
    }
    for (;;) {
        wake_.wait(lock, [this] { return waiting_ || waitingResume_ || stopping_; });
        // Stopping still writes what is waiting: it is the user's last change.
        if (!waiting_ && !waitingResume_)
            return;
        std::optional<PersistedState> state = std::exchange(waiting_, std::nullopt);
        std::optional<ResumePoint> resume = std::exchange(waitingResume_, std::nullopt);
        writing_ = true;
        lock.unlock();
        // The state first: the resume file then is the newer, as its point is.
        if (state)
            inner_->save(std::move(*state));
        if (resume)
            inner_->saveResume(*resume);
        lock.lock();
        writing_ = false;
        ++writesCompleted_;
        done_.notify_all();
    }
}

} // namespace orvane
