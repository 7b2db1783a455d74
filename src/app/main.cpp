#include "app/AfterFirstPaint.h"
#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/QtDiagnosticSink.h"
#include "controller/BackgroundStateStorage.h"
#include "platform/MprisService.h"
#include "runtime/Diagnostics.h"
#include "ui/window/MainWindow.h"

#include <cstdio>

#include <QApplication>

int main(int argc, char* argv[]) {
    // Diagnostics first: the state is read from here on, on another thread. The sink is
    // put back only after the Application, whose threads report too, is gone.
    orvane::QtDiagnosticSink diagnostics;
    const orvane::ScopedDiagnosticSink installed(diagnostics);
    // Reading the state of a large library takes longer than anything else before the
    // first frame: it runs while Qt connects to the display.
    auto storage = std::make_unique<orvane::BackgroundStateStorage>(
        std::make_unique<orvane::FileStateStorage>(),
        orvane::BackgroundStateStorage::LoadAhead::yes);

    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvane"));
    QApplication::setDesktopFileName(QStringLiteral("orvane"));
    QApplication::setApplicationVersion(QStringLiteral(ORVANE_VERSION));

    const orvane::StartOptions options = orvane::applyCommandLine(QApplication::arguments());
    std::fputs(qPrintable(options.output), stdout);
    for (const QString& line : options.problems)
        std::fprintf(stderr, "%s\n", qPrintable(line));
    if (options.exitCode)
        return *options.exitCode;

    // One Orvane at a time: two would write the same state file. The bus name is the
    // lock; a second start shows the first one's window instead, handing it what it was
    // asked to open. Without a session bus there is no way to tell, and Orvane simply
    // runs.
    orvane::MprisService mpris;
    if (mpris.claimBusName() == orvane::MprisService::Claim::taken) {
        QStringList paths;
        for (const auto& path : options.open)
            paths << QString::fromStdString(path);
        if (paths.isEmpty())
            orvane::MprisService::raiseRunningInstance();
        else
            orvane::MprisService::handOver(paths);
        return 0;
    }

    orvane::Application app(&mpris, std::move(storage));
    orvane::AfterFirstPaint::reportIfAsked(app.mainWindow());
    app.show();
    app.open(options.open);
    return QApplication::exec();
}
