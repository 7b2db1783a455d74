#pragma once

#include <stdexcept>
#include <string>

namespace orvane {

// Why AudioEngine::load (or openSegmentFile) failed. `what()` names the file and the
// failure, for diagnostics (it is never shown); the controller treats every code alike
// and skips the track.
//
// Orvane's error types share one shape (see also TagWriteError): a std::runtime_error
// whose `what()` is the message, and whose `code()` says which failure it was, a value
// of the type's own `Code`.
class EngineError : public std::runtime_error {
public:
    enum class Code : int {
        emptyRegion = 1,    // the region left after trimming is empty
        unreadableFile = 2, // the file cannot be opened or holds no playable audio
    };

    EngineError(Code code, const std::string& message) : std::runtime_error(message), code_(code) {}

    Code code() const noexcept { return code_; }

private:
    Code code_;
};

} // namespace orvane
