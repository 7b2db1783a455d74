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
        {59.5, "1:00"}, // halves round up
        {3599.4, "59:59"},
        {3725.0, "1:02:05"},
        // Clamped to 10^15 s rather than overflowing the integer conversion.
        {1e300, "277777777777:46:40"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(formatTime(seconds), text) << seconds.value_or(-999);
}

} // namespace
} // namespace orvane
