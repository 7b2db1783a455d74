#pragma once

#include "engine/host/AudioOutput.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace orvane {

// Fetches the output device list off the GUI thread: listing asks the sound server and
// may block for its whole timeout, which the window must not.
//
// Threading: start(), stop() and the destructor run on the GUI thread. The listing
// runs on a thread of its own; its answer is handed to `deliver` on the GUI thread
// through the application's event queue, and only while the fetch is wanted: an answer
// that arrives after stop() (or after the fetch is gone) is dropped. The destructor
// never waits: a listing still under way (a sound server that hangs) finishes on its
// own thread, which shares the ownership of `devices`.
class DeviceListFetch {
public:
    using Deliver = std::function<void(std::vector<OutputDevice>)>;

    // `devices` may be null, and then every fetch answers at once with an empty list.
    DeviceListFetch(std::shared_ptr<OutputDeviceManager> devices, Deliver deliver);
    ~DeviceListFetch();
    DeviceListFetch(const DeviceListFetch&) = delete;
    DeviceListFetch& operator=(const DeviceListFetch&) = delete;

    // Asks for a fresh list. While a listing is still under way, its answer is taken
    // instead of starting another.
    void start();
    // The answer of the listing under way, if any, is no longer wanted.
    void stop();
    bool isWanted() const { return state_->wanted; }

    // Blocks until the listing under way (if any) has returned and posted its answer.
    // For tests; the GUI thread never needs to wait.
    void waitUntilIdle();

private:
    // What an answer needs on arrival; GUI thread only. Answers hold it weakly, so one
    // that arrives after the fetch is gone finds nothing.
    struct State {
        Deliver deliver;
        bool wanted = false;
    };

    std::shared_ptr<OutputDeviceManager> devices_;
    std::shared_ptr<State> state_;
    // Shared with the worker, which may outlive the fetch.
    std::shared_ptr<std::atomic<bool>> listing_ = std::make_shared<std::atomic<bool>>(false);
    std::thread worker_;
};

} // namespace orvane
