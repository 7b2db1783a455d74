#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QLoggingCategory>

namespace orvane {

StartOptions applyCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A music player for the desktop."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption verbose(
        QStringLiteral("verbose"),
        QStringLiteral("Print diagnostics to standard error (skipped tracks, failed saves, the "
                       "sound output going and coming back), to attach to a bug report."));
    parser.addOption(verbose);
    parser.process(arguments);

    StartOptions options;
    options.verbose = parser.isSet(verbose);
    if (options.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("orvane.*=true"));
    return options;
}

} // namespace orvane
