#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace orvane {

// One background worker that runs tasks one at a time in the order they were queued:
// the home of slow jobs (level measurement, tempo detection, the metadata scan) whose
// results go back to the main thread through MainLoop::post.
//
// Threading: async(), cancelPending() and waitUntilIdle() may be called from any
// thread; waitUntilIdle() and the destructor never from a task of this queue (they
// would wait for themselves). Tasks never run concurrently with each other.
//
// An exception escaping a task is dropped; the worker carries on with the next task.
class SerialQueue {
public:
    using Task = std::function<void()>;
    // `background` lowers the worker's scheduling priority (nice 10), so that long
    // jobs give way to the decoder, the audio thread and the user interface.
    enum class Priority { normal, background };

    // `name` labels the worker thread for debuggers and `top -H` (15 characters kept).
    explicit SerialQueue(std::string name = "orvane-queue", Priority priority = Priority::normal);
    // Discards the tasks not yet started, waits for the running one, then joins.
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void async(Task task);

    // Discards the tasks not yet started; a running task finishes.
    void cancelPending();

    // Blocks until no task is queued or running. Meant for tests and shutdown.
    void waitUntilIdle();

private:
    void work(const std::string& name, Priority priority);

    std::mutex mutex_;
    std::condition_variable wake_; // a task arrived, or stop
    std::condition_variable idle_; // the queue ran dry
    std::deque<Task> tasks_;
    bool running_ = false;
    bool stopping_ = false;
    std::thread worker_; // last: starts after everything it uses exists
};

} // namespace orvane
