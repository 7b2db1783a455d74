#pragma once

#include <cerrno>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace orvane::test {

// How a forked child ended and what it said.
struct ChildOutcome {
    bool exited = false; // ended by _exit, not by a signal
    int exitCode = -1;
    int signal = 0;      // the signal that ended it, when it did not exit
    std::string message; // what the body returned: empty when everything held
};

// Runs `body` in a forked child and waits for it. The body reports failures as text
// (gtest assertions in a child would be lost); the child leaves with _exit, so nothing
// of the test program's exit handling runs twice. For checks that change process-wide
// state (limits, credentials) or that must survive the body crashing.
inline ChildOutcome runInChild(const std::function<std::string()>& body) {
    ChildOutcome outcome;
    int channel[2];
    const pid_t pid = ::pipe(channel) == 0 ? ::fork() : -1;
    if (pid == 0) {
        ::close(channel[0]);
        std::string message;
        try {
            message = body();
        } catch (const std::exception& error) {
            message = std::string("exception: ") + error.what();
        }
        FILE* out = ::fdopen(channel[1], "w");
        std::fwrite(message.data(), 1, message.size(), out);
        std::fflush(out);
        ::_exit(0);
    }
    if (pid < 0) {
        outcome.message = "cannot start the child";
        return outcome;
    }
    ::close(channel[1]);
    FILE* in = ::fdopen(channel[0], "r");
    for (int c; (c = std::fgetc(in)) != EOF;)
        outcome.message.push_back(static_cast<char>(c));
    std::fclose(in);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.exited = WIFEXITED(status);
    outcome.exitCode = outcome.exited ? WEXITSTATUS(status) : -1;
    outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return outcome;
}

} // namespace orvane::test
