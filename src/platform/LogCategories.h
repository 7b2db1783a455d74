#pragma once

#include "runtime/Diagnostics.h"

#include <QLoggingCategory>

namespace orvane {

// Orvane's Qt logging categories, one per area of the diagnostics: orvane.engine,
// orvane.controller, orvane.state, orvane.tags and orvane.platform. Every level of
// them is off until the user turns them on (`orvane --verbose`, or Qt's own
// QT_LOGGING_RULES="orvane.*=true"), so that a normal run prints nothing from them.
const QLoggingCategory& logCategory(DiagnosticArea area);

// The platform code's own: it logs here directly rather than through the core's sink.
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)

} // namespace orvane
