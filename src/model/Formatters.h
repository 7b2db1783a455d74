#pragma once

#include <optional>
#include <string>

namespace orvane {

// Time texts shared by every view. Both are pure and safe from any thread.

// Elapsed, remaining or track time: "m:ss" below an hour, "h:mm:ss" from an hour on.
// A missing, non-finite or negative value gives "–:––" (en dashes).
std::string formatTime(std::optional<double> seconds);

// Length of a whole playlist: "m:ss" below an hour, "Xh Ym" below a day, "Xd Yh" beyond.
// A missing, non-finite or non-positive value gives the empty text.
std::string formatTotalDuration(std::optional<double> seconds);

} // namespace orvane
