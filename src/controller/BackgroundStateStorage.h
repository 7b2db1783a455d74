#pragma once

#include "controller/StateStorage.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace orvane {

// Writes the state through another storage on a thread of its own, so that encoding a
// large library and the fsyncs of an atomic replace never hold up the main thread (a
// save of 100,000 tracks takes a good part of a second on a busy machine).
//
// Saves coalesce: a state handed over while another is being written replaces any
// state still waiting, so the file always ends up with the newest state and a burst of
// saves costs at most two writes. Resume points coalesce the same way, and are written
// after a waiting state, which carries them too: whichever file is newer on disk holds
// the newest resume point.
//
// With LoadAhead::yes the writer thread first loads the state, so that reading a large
// library's file (a good part of the time to the first window) runs while the program
// connects to the display; the first load() then waits for that state and takes it.
//
// Threading: load(), save() and flush() are called from one thread (the main thread);
// the inner storage's save() runs only on the writer thread, its load() on the writer
// thread when loading ahead and on the caller's otherwise. The destructor waits for a
// load ahead, writes what is waiting, then joins the writer.
class BackgroundStateStorage final : public StateStorage {
public:
    enum class LoadAhead { no, yes };

    explicit BackgroundStateStorage(std::unique_ptr<StateStorage> inner,
                                    LoadAhead loadAhead = LoadAhead::no);
    ~BackgroundStateStorage() override;
    BackgroundStateStorage(const BackgroundStateStorage&) = delete;
    BackgroundStateStorage& operator=(const BackgroundStateStorage&) = delete;

    PersistedState load() override;
    // Queues `state` and returns true at once; a failed write is dropped (the next save
    // tries again) and the inner storage tells the diagnostics why.
    bool save(PersistedState state) override;
    bool saveResume(const ResumePoint& point) override;
    void flush() override;

    // Writes done so far, failed ones included. For tests.
    std::size_t writesCompleted() const;

private:
    void work();

    std::unique_ptr<StateStorage> inner_;
    mutable std::mutex mutex_;
    std::condition_variable wake_; // a state is waiting, or stop
    std::condition_variable done_; // a write finished
    std::optional<PersistedState> waiting_;
    std::optional<ResumePoint> waitingResume_;
    bool loadingAhead_ = false;                 // the writer loads first; load() waits for it
    std::optional<PersistedState> loadedAhead_; // its result, until load() takes it
    bool writing_ = false;
    bool stopping_ = false;
    std::size_t writesCompleted_ = 0;
    std::thread writer_; // last: starts once everything it uses exists
};

} // namespace orvane
