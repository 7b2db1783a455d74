#include "runtime/Diagnostics.h"

#include <atomic>

namespace orvane {

namespace {

// Read on every report from any thread; a plain atomic pointer keeps a report without
// a sink down to one load.
std::atomic<DiagnosticSink*> installedSink{nullptr};

} // namespace

DiagnosticSink* installDiagnosticSink(DiagnosticSink* sink) {
    return installedSink.exchange(sink, std::memory_order_acq_rel);
}

void reportDiagnostic(DiagnosticArea area, DiagnosticLevel level, std::string_view line) {
    if (DiagnosticSink* sink = installedSink.load(std::memory_order_acquire))
        sink->write(area, level, line);
}

} // namespace orvane
