#include "runtime/SerialQueue.h"

#include <utility>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace orvane {

namespace {
constexpr int kBackgroundNice = 10;
} // namespace

SerialQueue::SerialQueue(std::string name, Priority priority)
    : worker_([this, threadName = std::move(name), priority] { work(threadName, priority); }) {
}

SerialQueue::~SerialQueue() {
    std::deque<Task> discarded;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        discarded.swap(tasks_);
    }
    wake_.notify_one();
    // Outside the lock: a task's captures may do real work as they die (close a file,
    // post to the main loop), and they need not wait for the running task.
    discarded.clear();
    worker_.join();
}

void SerialQueue::async(Task task) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

void SerialQueue::cancelPending() {
    std::deque<Task> discarded;
    {
        std::lock_guard lock(mutex_);
        discarded.swap(tasks_);
        if (!running_)
            idle_.notify_all();
    }
}

void SerialQueue::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return tasks_.empty() && !running_; });
}

void SerialQueue::work(const std::string& name, Priority priority) {
    // The kernel keeps 15 characters and refuses longer names outright.
    pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
    // On Linux the nice value belongs to the thread, so this lowers only the worker.
    // Failure (a sandbox forbidding it) leaves the normal priority; nothing else changes.
    if (priority == Priority::background)
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kBackgroundNice);

    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
        if (stopping_)
            return;
        Task task = std::move(tasks_.front());
        tasks_.pop_front();
        running_ = true;
        lock.unlock();
        try {
            task();
        } catch (...) {
            // Nobody is there to hear it; the job's result is simply absent.
        }
        task = nullptr; // captures die before the queue reports idle
        lock.lock();
        running_ = false;
        if (tasks_.empty())
            idle_.notify_all();
    }
}

} // namespace orvane
