#pragma once

#include "engine/host/AudioOutput.h"
#include "platform/PulseConnection.h"

#include <vector>

namespace orvane {

// The sound server's sinks as output devices, in the server's order: `id` is the
// sink index (valid while the server runs), `uid` the sink name (stable across runs)
// and `name` its description. Monitors are sources and never appear. Empty when no
// server answers within options.timeout.
//
// Threading: any thread, also several at once. Each call makes its own short-lived
// connection, so calls never share state.
std::vector<OutputDevice> listPulseSinks(const PulseOptions& options = {});

// OutputDeviceManager over listPulseSinks(): asks the server again on every call.
class PulseDeviceManager final : public OutputDeviceManager {
public:
    explicit PulseDeviceManager(PulseOptions options = {}) : options_(std::move(options)) {}

    std::vector<OutputDevice> listOutputDevices() override { return listPulseSinks(options_); }

private:
    PulseOptions options_;
};

} // namespace orvane
