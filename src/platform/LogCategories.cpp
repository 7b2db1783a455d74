#include "platform/LogCategories.h"

namespace orvane {

namespace {

// Critical is the lowest level enabled by default, and Orvane never logs at it.
Q_LOGGING_CATEGORY(lcEngine, "orvane.engine", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcController, "orvane.controller", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcState, "orvane.state", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcTags, "orvane.tags", QtCriticalMsg)

} // namespace

Q_LOGGING_CATEGORY(lcPlatform, "orvane.platform", QtCriticalMsg)

const QLoggingCategory& logCategory(DiagnosticArea area) {
    switch (area) {
    case DiagnosticArea::engine:
        return lcEngine();
    case DiagnosticArea::controller:
        return lcController();
    case DiagnosticArea::state:
        return lcState();
    case DiagnosticArea::tags:
        return lcTags();
    case DiagnosticArea::platform:
        break;
    }
    return lcPlatform();
}

} // namespace orvane
