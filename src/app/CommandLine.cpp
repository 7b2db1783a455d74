#include "app/CommandLine.h"

#include "model/AudioFiles.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QUrl>

namespace orvane {

namespace {

// The absolute path an argument names, or a line saying why it cannot be opened.
std::optional<QString> resolve(const QString& argument, const QDir& workingDirectory,
                               QStringList& problems) {
    QString path = argument;
    if (argument.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
        const QUrl url(argument);
        if (!url.isValid() || !url.isLocalFile()) {
            problems << QStringLiteral("orvane: %1: not a local file").arg(argument);
            return std::nullopt;
        }
        path = url.toLocalFile();
    } else if (argument.contains(QStringLiteral("://"))) {
        problems << QStringLiteral("orvane: %1: only local files can be opened").arg(argument);
        return std::nullopt;
    }
    const QFileInfo info(workingDirectory, path);
    const QString absolute = QDir::cleanPath(info.absoluteFilePath());
    if (!info.exists()) {
        problems << QStringLiteral("orvane: %1: no such file").arg(argument);
        return std::nullopt;
    }
    if (!info.isDir() && !isPlaylistFile(absolute.toStdString()) &&
        !isAudioFile(absolute.toStdString())) {
        problems << QStringLiteral("orvane: %1: not an audio file").arg(argument);
        return std::nullopt;
    }
    return absolute;
}

} // namespace

bool isPlaylistFile(const std::string& path) {
    const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    return suffix == QLatin1String("m3u8") || suffix == QLatin1String("m3u");
}

StartOptions applyCommandLine(const QStringList& arguments, const QDir& workingDirectory) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A music player for the desktop."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption verbose(
        QStringLiteral("verbose"),
        QStringLiteral("Print diagnostics to standard error (skipped tracks, failed saves, the "
                       "sound output going and coming back), to attach to a bug report."));
    parser.addOption(verbose);
    parser.addPositionalArgument(
        QStringLiteral("files"),
        QStringLiteral("Audio files, folders or .m3u8 playlists to open, as paths or file:// "
                       "URIs. They go into the active playlist (a playlist file becomes a new "
                       "one) and the first starts."),
        QStringLiteral("[FILE|FOLDER|URI...]"));

    StartOptions options;
    if (!parser.parse(arguments)) {
        options.problems << QStringLiteral("orvane: ") + parser.errorText()
                         << parser.helpText().trimmed();
        options.exitCode = 2;
        return options;
    }
    if (parser.isSet(help)) {
        options.output = parser.helpText();
        options.exitCode = 0;
        return options;
    }
    if (parser.isSet(version)) {
        options.output = QCoreApplication::applicationName() + QLatin1Char(' ') +
                         QCoreApplication::applicationVersion() + QLatin1Char('\n');
        options.exitCode = 0;
        return options;
    }

    options.verbose = parser.isSet(verbose);
    if (options.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("orvane.*=true"));
    for (const QString& argument : parser.positionalArguments())
        if (const auto path = resolve(argument, workingDirectory, options.problems))
            options.open.push_back(path->toStdString());
    return options;
}

} // namespace orvane
