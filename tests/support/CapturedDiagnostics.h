#pragma once

#include "runtime/Diagnostics.h"

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::test {

// Takes the place of the process-wide diagnostics sink while it lives and keeps what
// is reported, from any thread.
class CapturedDiagnostics final : public DiagnosticSink {
public:
    void write(DiagnosticArea area, DiagnosticLevel, std::string_view line) override {
        std::lock_guard lock(mutex_);
        lines_.push_back({area, std::string(line)});
    }
    // The lines reported for `area` so far, in order.
    std::vector<std::string> lines(DiagnosticArea area) const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> found;
        for (const auto& [lineArea, text] : lines_)
            if (lineArea == area)
                found.push_back(text);
        return found;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<DiagnosticArea, std::string>> lines_;
    ScopedDiagnosticSink installed_{*this}; // last: goes first, before the lines
};

} // namespace orvane::test
