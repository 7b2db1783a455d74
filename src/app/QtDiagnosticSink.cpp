#include "app/QtDiagnosticSink.h"

#include "platform/LogCategories.h"

#include <QString>

namespace orvane {

void QtDiagnosticSink::write(DiagnosticArea area, DiagnosticLevel level, std::string_view line) {
    const QLoggingCategory& category = logCategory(area);
    // Converted only for a category that prints: the macros skip their stream otherwise.
    auto text = [line] {
        return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    };
    switch (level) {
    case DiagnosticLevel::debug:
        qCDebug(category).noquote() << text();
        break;
    case DiagnosticLevel::info:
        qCInfo(category).noquote() << text();
        break;
    case DiagnosticLevel::warning:
        qCWarning(category).noquote() << text();
        break;
    }
}

} // namespace orvane
