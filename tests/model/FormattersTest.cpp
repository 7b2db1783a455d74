#include "model/Formatters.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace orvane {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();
const std::string noTime = "\u2013:\u2013\u2013";

TEST(FormatTime, UnknownNegativeOrNonFiniteShowDashes) {
    EXPECT_EQ(formatTime(std::nullopt), noTime);
    EXPECT_EQ(formatTime(nan), noTime);
    EXPECT_EQ(formatTime(-1.0), noTime);
    EXPECT_EQ(formatTime(infinity), noTime);
    EXPECT_EQ(noTime, "\xE2\x80\x93:\xE2\x80\x93\xE2\x80\x93");
}

TEST(FormatTime, MinutesAndSecondsBelowAnHour) {
    EXPECT_EQ(formatTime(0.0), "0:00");
    EXPECT_EQ(formatTime(59.49), "0:59");
    EXPECT_EQ(formatTime(59.5), "1:00"); // halves round up
    EXPECT_EQ(formatTime(65.0), "1:05");
    EXPECT_EQ(formatTime(3599.4), "59:59");
}

TEST(FormatTime, HoursFromAnHourOn) {
    EXPECT_EQ(formatTime(3599.5), "1:00:00");
    EXPECT_EQ(formatTime(3600.0), "1:00:00");
    EXPECT_EQ(formatTime(3725.0), "1:02:05");
    EXPECT_EQ(formatTime(86400.0), "24:00:00");
    // Clamped to 10^15 s rather than overflowing the integer conversion.
    EXPECT_EQ(formatTime(1e300), "277777777777:46:40");
}

TEST(FormatTotalDuration, NothingForUnknownOrNonPositive) {
    EXPECT_EQ(formatTotalDuration(std::nullopt), "");
    EXPECT_EQ(formatTotalDuration(0.0), "");
    EXPECT_EQ(formatTotalDuration(nan), "");
    EXPECT_EQ(formatTotalDuration(infinity), "");
}

TEST(FormatTotalDuration, ThreeFormsByLength) {
    EXPECT_EQ(formatTotalDuration(0.4), "0:00");
    EXPECT_EQ(formatTotalDuration(59.5), "1:00");
    EXPECT_EQ(formatTotalDuration(3599.4), "59:59");
    EXPECT_EQ(formatTotalDuration(3600.0), "1h 0m");
    EXPECT_EQ(formatTotalDuration(7530.0), "2h 5m");
    EXPECT_EQ(formatTotalDuration(86399.4), "23h 59m");
    EXPECT_EQ(formatTotalDuration(86399.5), "1d 0h");
    EXPECT_EQ(formatTotalDuration(86400.0), "1d 0h");
    EXPECT_EQ(formatTotalDuration(97200.0), "1d 3h");
    EXPECT_EQ(formatTotalDuration(1e300), "11574074074d 1h");
}

} // namespace
} // namespace orvane
