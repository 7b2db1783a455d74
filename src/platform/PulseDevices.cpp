#include "platform/PulseDevices.h"

#include "platform/PulseQueries.h"

namespace orvane {

std::vector<OutputDevice> listPulseSinks(const PulseOptions& options) {
    auto connection = PulseConnection::open(options, "Orvane");
    if (!connection)
        return {};
    std::optional<std::vector<PulseSink>> sinks;
    {
        PulseConnection::Lock lock(*connection);
        sinks = querySinks(*connection, connection->deadline());
    }
    std::vector<OutputDevice> devices;
    if (!sinks)
        return devices;
    devices.reserve(sinks->size());
    for (PulseSink& sink : *sinks)
        devices.push_back(
            OutputDevice{sink.index, std::move(sink.name), std::move(sink.description)});
    return devices;
}

} // namespace orvane
