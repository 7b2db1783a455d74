#pragma once

#include <string_view>

namespace orvane {

// Lines a user can attach to a bug report: why a track was skipped, why a save failed,
// when the sound output went away and came back. The core writes them to one
// process-wide sink. The application installs one at start-up that passes them to
// Qt's logging categories (quiet unless the user asks for them); tests install one
// that collects them; with none installed they go nowhere.
//
// Lines are written where a failure is met and handled, once per failure: something
// retried on a timer reports when it starts failing and when it works again, not on
// every retry.
//
// Threading: any thread but the audio thread, which never reports (a sink allocates,
// may lock and writes to a terminal). The sink is called from several threads at once.

enum class DiagnosticArea { engine, controller, state, tags, platform };
enum class DiagnosticLevel { debug, info, warning };

class DiagnosticSink {
public:
    virtual ~DiagnosticSink() = default;
    virtual void write(DiagnosticArea area, DiagnosticLevel level, std::string_view line) = 0;
};

// Makes `sink` (not owned; nullptr: none) the process-wide sink and returns the one
// before. A sink must outlive the reports that may be under way when it is replaced:
// the application's lives as long as the process, a test's until its threads are done.
DiagnosticSink* installDiagnosticSink(DiagnosticSink* sink);

// Hands `line` to the installed sink, if there is one.
void reportDiagnostic(DiagnosticArea area, DiagnosticLevel level, std::string_view line);

// Installs a sink for a scope and puts the previous one back at its end.
class ScopedDiagnosticSink {
public:
    explicit ScopedDiagnosticSink(DiagnosticSink& sink) : previous_(installDiagnosticSink(&sink)) {}
    ~ScopedDiagnosticSink() { installDiagnosticSink(previous_); }
    ScopedDiagnosticSink(const ScopedDiagnosticSink&) = delete;
    ScopedDiagnosticSink& operator=(const ScopedDiagnosticSink&) = delete;

private:
    DiagnosticSink* previous_;
};

} // namespace orvane
