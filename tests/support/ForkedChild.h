#pragma once

#include <cerrno>
#include <cstring>
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
    if (::pipe(channel) != 0) {
        outcome.message = std::string("pipe: ") + std::strerror(errno);
        return outcome;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        outcome.message = std::string("fork: ") + std::strerror(errno);
        ::close(channel[0]);
        ::close(channel[1]);
        return outcome;
    }
    if (pid == 0) {
        ::close(channel[0]);
        std::string message;
        try {
            message = body();
        } catch (const std::exception& error) {
            message = std::string("exception: ") + error.what();
        }
        for (std::size_t done = 0; done < message.size();) {
            const ssize_t n = ::write(channel[1], message.data() + done, message.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(channel[0], buffer, sizeof buffer);
        if (n > 0)
            outcome.message.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.exited = WIFEXITED(status);
    outcome.exitCode = outcome.exited ? WEXITSTATUS(status) : -1;
    outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return outcome;
}

} // namespace orvane::test
