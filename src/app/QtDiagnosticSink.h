#pragma once

#include "runtime/Diagnostics.h"

namespace orvane {

// Passes the core's diagnostics on to Orvane's Qt logging categories (one per area,
// platform/LogCategories.h), whose rules decide what is printed. It holds nothing, so
// every thread may use it at once, as Qt's logging allows.
class QtDiagnosticSink final : public DiagnosticSink {
public:
    void write(DiagnosticArea area, DiagnosticLevel level, std::string_view line) override;
};

} // namespace orvane
