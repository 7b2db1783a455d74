#pragma once

#include <stdexcept>
#include <string>

namespace orvane {

// The error AudioEngine::load throws. The controller treats every code alike: it skips
// the track. Domain "Orvane"; code 1 is an empty region after trimming, code 2 a file
// that cannot be opened or decoded.
class EngineError : public std::runtime_error {
public:
    static constexpr int kEmptyRegion = 1;
    static constexpr int kUnreadableFile = 2;

    EngineError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}

    static const char* domain() { return "Orvane"; }
    int code() const { return code_; }

private:
    int code_;
};

} // namespace orvane
