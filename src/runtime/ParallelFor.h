#pragma once

#include <cstddef>
#include <functional>

namespace orvane {

// Runs body(i) for every i in [0, count) on `workers` threads at once: the caller's and
// workers - 1 more, started for the call, named `name` and at background priority
// (nice 10) so that they give way to the decoder, the audio thread and the user
// interface. Returns when every call has returned. An exception escaping body is
// dropped, as SerialQueue drops one; the other calls still run.
//
// For the bulk analysis of the metadata scan, whose items take a second or more each:
// starting the threads costs nothing beside that.
void parallelFor(std::size_t count, std::size_t workers, const char* name,
                 const std::function<void(std::size_t)>& body);

// Every core but one (at least one): what bulk work may take without slowing playback.
std::size_t backgroundWorkerCount();

} // namespace orvane
