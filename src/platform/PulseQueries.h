#pragma once

#include "platform/PulseConnection.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// What Orvane needs to know of one sink.
struct PulseSink {
    std::uint32_t index = 0;
    std::string name;        // stable across runs
    std::string description; // for display
    std::uint32_t rate = 0;  // the sink's current sample rate
};

// Requests to the server, each bounded by `until`. Call with the connection's lock
// held. An absent result means the server had no answer (or none in time).
std::optional<std::string> queryDefaultSinkName(PulseConnection& c, pa_usec_t until);
std::optional<PulseSink> querySink(PulseConnection& c, const std::string& name, pa_usec_t until);
std::optional<PulseSink> querySink(PulseConnection& c, std::uint32_t index, pa_usec_t until);
std::optional<std::vector<PulseSink>> querySinks(PulseConnection& c, pa_usec_t until);

// Moves a playback stream (sink input) to a sink; false when the server refused.
bool moveSinkInput(PulseConnection& c, std::uint32_t sinkInput, std::uint32_t sinkIndex,
                   pa_usec_t until);
bool moveSinkInput(PulseConnection& c, std::uint32_t sinkInput, const std::string& sinkName,
                   pa_usec_t until);

} // namespace orvane
