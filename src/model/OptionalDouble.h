#pragma once

#include <bit>
#include <cstdint>
#include <limits>
#include <optional>

namespace orvane {

// A std::optional<double> in the size of a double, for the measured numbers of a track,
// of which a large library holds hundreds of thousands. Absence is one NaN bit pattern
// (a signalling NaN with a payload of its own) that no arithmetic produces: every double
// can be held, NaN included, except that this one pattern is held as the ordinary quiet
// NaN. Reads and compares as std::optional<double> does.
class OptionalDouble {
public:
    using value_type = double;

    constexpr OptionalDouble() noexcept = default;
    constexpr OptionalDouble(std::nullopt_t) noexcept {}
    constexpr OptionalDouble(double value) noexcept : bits_(held(value)) {}
    constexpr OptionalDouble(const std::optional<double>& value) noexcept
        : bits_(value ? held(*value) : kAbsent) {}

    constexpr bool has_value() const noexcept { return bits_ != kAbsent; }
    constexpr explicit operator bool() const noexcept { return has_value(); }
    // Only with a value, as for std::optional.
    constexpr double operator*() const noexcept { return std::bit_cast<double>(bits_); }
    constexpr double value() const {
        if (!has_value())
            throw std::bad_optional_access();
        return **this;
    }
    constexpr double value_or(double fallback) const noexcept {
        return has_value() ? **this : fallback;
    }
    constexpr void reset() noexcept { bits_ = kAbsent; }

    constexpr operator std::optional<double>() const noexcept {
        return has_value() ? std::optional<double>(**this) : std::nullopt;
    }

    friend constexpr bool operator==(OptionalDouble a, OptionalDouble b) noexcept {
        if (!a.has_value() || !b.has_value())
            return a.has_value() == b.has_value();
        return *a == *b;
    }
    friend constexpr bool operator==(OptionalDouble a, std::nullopt_t) noexcept {
        return !a.has_value();
    }
    friend constexpr bool operator==(OptionalDouble a, double b) noexcept {
        return a.has_value() && *a == b;
    }
    friend constexpr bool operator==(OptionalDouble a, const std::optional<double>& b) noexcept {
        return a == OptionalDouble(b);
    }

private:
    static constexpr std::uint64_t kAbsent = 0x7FF4'0000'0A85'E7ABull;

    static constexpr std::uint64_t held(double value) noexcept {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        return bits == kAbsent
                   ? std::bit_cast<std::uint64_t>(std::numeric_limits<double>::quiet_NaN())
                   : bits;
    }

    std::uint64_t bits_ = kAbsent;
};

} // namespace orvane
