#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QDir>
#include <QString>
#include <QStringList>

namespace orvane {

// What the command line asks of a run of Orvane. --verbose turns on every level of the
// orvane.* logging categories, so that the lines a bug report needs reach standard
// error; rules in QT_LOGGING_RULES still have the last word, as Qt has it.
//
// The other arguments are what to open: files, folders and playlist files, as plain or
// relative paths (file managers, shells) or file:// URIs (the desktop entry's %U, media
// controllers). Those that name nothing readable are reported and left out, so that
// one mistyped name does not cost the rest.
struct StartOptions {
    bool verbose = false;
    std::vector<std::string> open; // absolute paths, in the order given
    QString output;                // --help or --version: for standard output
    QStringList problems;          // one line each, for standard error
    // Set when the run ends here: 0 after --help or --version, 2 for a bad option.
    std::optional<int> exitCode;
};

// `arguments` as QCoreApplication::arguments() gives them, the program first; relative
// paths are taken against `workingDirectory`. Prints nothing: main() does.
StartOptions applyCommandLine(const QStringList& arguments,
                              const QDir& workingDirectory = QDir::current());

// Whether Orvane opens `path` as a playlist file rather than as a track.
bool isPlaylistFile(const std::string& path);

} // namespace orvane
