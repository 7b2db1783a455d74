#pragma once

#include "engine/host/AudioOutput.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <QObject>

namespace orvane {

// Fetches the output device list off the GUI thread: listing asks the sound server and
// may block for its whole timeout, which the window must not.
//
// Threading: start(), stop() and the destructor run on the GUI thread. The listing
// runs on a thread of its own; its answer is handed to `deliver` on the GUI thread
// through `context`'s event queue, and only while the fetch is wanted: an answer that
// arrives after stop() (or after `context` is gone) is dropped. The destructor waits
// for a listing under way, so `devices` is never used after the fetch is destroyed;
// `devices` must outlive it.
class DeviceListFetch {
public:
    using Deliver = std::function<void(std::vector<OutputDevice>)>;

    // `context` must outlive the fetch (it is normally the owner); `devices` may be
    // null, and then every fetch answers at once with an empty list.
    DeviceListFetch(OutputDeviceManager* devices, QObject* context, Deliver deliver);
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

    OutputDeviceManager* devices_;
    QObject* context_;
    std::shared_ptr<State> state_;
    std::atomic<bool> listing_{false};
    std::thread worker_;
};

} // namespace orvane
