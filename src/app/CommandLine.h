#pragma once

#include <QStringList>

namespace orvane {

// What the command line asks of a run of Orvane. --help and --version answer and end
// the process, as an unknown option does with a message. --verbose turns on every
// level of the orvane.* logging categories, so that the lines a bug report needs reach
// standard error; rules in QT_LOGGING_RULES still have the last word, as Qt has it.
struct StartOptions {
    bool verbose = false;
};

// `arguments` as QCoreApplication::arguments() gives them, the program first.
StartOptions applyCommandLine(const QStringList& arguments);

} // namespace orvane
