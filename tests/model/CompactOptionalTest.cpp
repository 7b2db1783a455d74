#include "model/OptionalDouble.h"
#include "model/OptionalText.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// The compact optionals must keep every value std::optional keeps: an empty text is a
// value, NUL bytes stay, and every double comes back bit for bit.
TEST(CompactOptional, TextKeepsEveryValueAndCopiesDeeply) {
    OptionalText none;
    OptionalText empty = std::string();
    const std::string withNul("a\0b", 3);
    OptionalText text = withNul;
    EXPECT_FALSE(none);
    EXPECT_TRUE(empty);
    EXPECT_NE(none, empty);
    EXPECT_EQ(*empty, "");
    EXPECT_EQ(*text, withNul);
    EXPECT_EQ(static_cast<std::optional<std::string>>(text), withNul);
    EXPECT_EQ(static_cast<std::optional<std::string>>(none), std::nullopt);

    OptionalText copy = text;
    text = "changed";
    EXPECT_EQ(*copy, withNul);
    copy = std::optional<std::string>();
    EXPECT_EQ(copy, std::nullopt);
}

TEST(CompactOptional, DoubleKeepsEveryValueBitForBit) {
    OptionalDouble none;
    EXPECT_FALSE(none);
    EXPECT_EQ(none, std::optional<double>());
    for (const double value :
         {0.0, -0.0, 1.5, std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::quiet_NaN()}) {
        const OptionalDouble held = value;
        ASSERT_TRUE(held);
        EXPECT_EQ(std::signbit(*held), std::signbit(value));
        if (std::isnan(value))
            EXPECT_TRUE(std::isnan(*held));
        else
            EXPECT_EQ(*held, value);
    }
    EXPECT_NE(OptionalDouble(0.0), none);
    EXPECT_EQ(OptionalDouble(std::optional<double>(2.5)), 2.5);
}

} // namespace
} // namespace orvane
