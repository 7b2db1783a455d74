#include "ui/DeviceListFetch.h"

#include <utility>

#include <QMetaObject>

namespace orvane {

DeviceListFetch::DeviceListFetch(OutputDeviceManager* devices, QObject* context, Deliver deliver)
    : devices_(devices), context_(context), state_(std::make_shared<State>()) {
    state_->deliver = std::move(deliver);
}

DeviceListFetch::~DeviceListFetch() {
    state_->wanted = false;
    if (worker_.joinable())
        worker_.join();
}

void DeviceListFetch::start() {
    state_->wanted = true;
    if (listing_.load())
        return; // its answer will do
    if (worker_.joinable())
        worker_.join(); // finished: only its thread is left to collect

    listing_ = true;
    std::weak_ptr<State> weak = state_;
    worker_ = std::thread(
        [devices = devices_, context = context_, weak = std::move(weak), &listing = listing_] {
            std::vector<OutputDevice> list;
            if (devices)
                list = devices->listOutputDevices();
            // Posting is safe from any thread; Qt drops the call if `context` is deleted
            // before it runs.
            QMetaObject::invokeMethod(
                context,
                [weak, list = std::move(list)] {
                    const auto state = weak.lock();
                    if (state && state->wanted)
                        state->deliver(list);
                },
                Qt::QueuedConnection);
            listing = false;
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
