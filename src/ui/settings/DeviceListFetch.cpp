#include "ui/settings/DeviceListFetch.h"

#include <utility>

#include <QCoreApplication>
#include <QMetaObject>

namespace orvane {

DeviceListFetch::DeviceListFetch(std::shared_ptr<OutputDeviceManager> devices, Deliver deliver)
    : devices_(std::move(devices)), state_(std::make_shared<State>()) {
    state_->deliver = std::move(deliver);
}

DeviceListFetch::~DeviceListFetch() {
    state_->wanted = false;
    if (!worker_.joinable())
        return;
    // A listing may wait for a hung server for its whole timeout; the window must not.
    if (listing_->load())
        worker_.detach();
    else
        worker_.join();
}

void DeviceListFetch::start() {
    state_->wanted = true;
    if (listing_->load())
        return; // its answer will do
    if (worker_.joinable())
        worker_.join(); // finished: only its thread is left to collect

    listing_->store(true);
    std::weak_ptr<State> weak = state_;
    worker_ = std::thread([devices = devices_, weak = std::move(weak), listing = listing_] {
        std::vector<OutputDevice> list;
        if (devices)
            list = devices->listOutputDevices();
        // The application outlives every window; the answer finds its fetch (or
        // nothing) through the weak state on the GUI thread.
        if (auto* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                app,
                [weak, list = std::move(list)] {
                    const auto state = weak.lock();
                    if (state && state->wanted)
                        state->deliver(list);
                },
                Qt::QueuedConnection);
        }
        listing->store(false);
    });
}

void DeviceListFetch::stop() {
    state_->wanted = false;
}

void DeviceListFetch::waitUntilIdle() {
    if (worker_.joinable())
        worker_.join();
}

} // namespace orvane
