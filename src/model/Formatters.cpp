#include "model/Formatters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvane {

namespace {

// Far beyond any real duration yet well inside long long, so the conversion below is
// always defined however large the value that reaches it.
constexpr double maxSeconds = 1e15;

long long wholeSeconds(double seconds) {
    // std::round rounds halves away from zero.
    return static_cast<long long>(std::round(std::min(seconds, maxSeconds)));
}

std::string minutesAndSeconds(long long t) {
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02lld", t / 60, t % 60);
    return text;
}

} // namespace

std::string formatTime(std::optional<double> seconds) {
    if (!seconds || !std::isfinite(*seconds) || *seconds < 0)
        return "\u2013:\u2013\u2013";
    const long long t = wholeSeconds(*seconds);
    if (t < 3600)
        return minutesAndSeconds(t);
    char text[64];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", t / 3600, t % 3600 / 60, t % 60);
    return text;
}

std::string formatTotalDuration(std::optional<double> seconds) {
    if (!seconds || !std::isfinite(*seconds) || !(*seconds > 0))
        return {};
    const long long t = wholeSeconds(*seconds);
    if (t < 3600)
        return minutesAndSeconds(t);
    char text[64];
    if (t < 86400)
        std::snprintf(text, sizeof text, "%lldh %lldm", t / 3600, t % 3600 / 60);
    else
        std::snprintf(text, sizeof text, "%lldd %lldh", t / 86400, t % 86400 / 3600);
    return text;
}

} // namespace orvane
