#include "app/CommandLine.h"

#include "app/QtDiagnosticSink.h"

#include <QLoggingCategory>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

QStringList printed; // "category: message" of what Orvane's categories let through

void keepOrvaneLines(QtMsgType, const QMessageLogContext& context, const QString& message) {
    const QString category = QString::fromLatin1(context.category);
    if (category.startsWith(QStringLiteral("orvane.")))
        printed << category + QStringLiteral(": ") + message;
}

// A run without options prints nothing of Orvane's; --verbose prints every level, each
// line under its area's category.
TEST(CommandLineTest, VerboseTurnsTheOrvaneCategoriesOn) {
    QtDiagnosticSink sink;
    const ScopedDiagnosticSink installed(sink);
    const QtMessageHandler previous = qInstallMessageHandler(keepOrvaneLines);

    EXPECT_FALSE(applyCommandLine({QStringLiteral("orvane")}).verbose);
    reportDiagnostic(DiagnosticArea::state, DiagnosticLevel::warning, "not saved");
    EXPECT_TRUE(applyCommandLine({QStringLiteral("orvane"), QStringLiteral("--verbose")}).verbose);
    reportDiagnostic(DiagnosticArea::tags, DiagnosticLevel::debug, "read");
    reportDiagnostic(DiagnosticArea::engine, DiagnosticLevel::warning, "output lost");

    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules({});
    EXPECT_EQ(printed, (QStringList{QStringLiteral("orvane.tags: read"),
                                    QStringLiteral("orvane.engine: output lost")}));
}

} // namespace
} // namespace orvane::test
