#include "platform/PulseDevices.h"

#include "platform/LogCategories.h"
#include "platform/PulseQueries.h"

namespace orvane {

std::vector<OutputDevice> listPulseSinks(const PulseOptions& options) {
    std::string why;
    auto connection = PulseConnection::open(options, "Orvane", &why);
    if (!connection) {
        qCInfo(lcPlatform, "cannot list the output devices: %s", why.c_str());
        return {};
    }
    std::optional<std::vector<PulseSink>> sinks;
    {
        PulseConnection::Lock lock(*connection);
        sinks = querySinks(*connection, connection->deadline());
    }
    std::vector<OutputDevice> devices;
    if (!sinks) {
        qCInfo(lcPlatform, "cannot list the output devices: the sound server did not answer");
        return devices;
    }
    devices.reserve(sinks->size());
    for (PulseSink& sink : *sinks)
        devices.push_back(
            OutputDevice{sink.index, std::move(sink.name), std::move(sink.description)});
    return devices;
}

} // namespace orvane
