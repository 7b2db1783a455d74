#include "model/Formatters.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace orvane {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();
const std::string noTime = "\u2013:\u2013\u2013";

TEST(FormatTime, DashesMinutesOrHours) {
    const std::pair<std::optional<double>, std::string> cases[] = {
        {std::nullopt, noTime},
        {nan, noTime},
        {-1.0, noTime},
        {infinity, noTime},
        {0.0, "0:00"},
        {59.49, "0:59"},
        {59.5, "1:00"}, // halves round up
        {65.0, "1:05"},
        {3599.4, "59:59"},
        {3599.5, "1:00:00"},
        {3600.0, "1:00:00"},
        {3725.0, "1:02:05"},
        {86400.0, "24:00:00"},
        // Clamped to 10^15 s rather than overflowing the integer conversion.
        {1e300, "277777777777:46:40"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(formatTime(seconds), text) << seconds.value_or(-999);
}

TEST(FormatTotalDuration, NothingOrThreeFormsByLength) {
    const std::pair<std::optional<double>, std::string> cases[] = {
        {std::nullopt, ""}, {0.0, ""},
        {nan, ""},          {infinity, ""},
        {0.4, "0:00"},      {59.5, "1:00"},
        {3599.4, "59:59"},  {3600.0, "1h 0m"},
        {7530.0, "2h 5m"},  {86399.4, "23h 59m"},
        {86399.5, "1d 0h"}, {86400.0, "1d 0h"},
        {97200.0, "1d 3h"}, {1e300, "11574074074d 1h"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(formatTotalDuration(seconds), text) << seconds.value_or(-999);
}

} // namespace
} // namespace orvane
