#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// A std::optional<std::string> in the size of a pointer, for the rarely set text fields
// of a track (album, genre, comment...), of which a large library holds hundreds of
// thousands: a field without a value costs nothing more, and one with a value one heap
// block holding its length and bytes. The value is read as a std::string_view, valid
// until the field changes or goes; otherwise it assigns and compares as
// std::optional<std::string> does. Texts keep every byte, NUL included.
class OptionalText {
public:
    using value_type = std::string;

    OptionalText() noexcept = default;
    OptionalText(std::nullopt_t) noexcept {}
    OptionalText(std::string_view text);
    OptionalText(const std::string& text) : OptionalText(std::string_view(text)) {}
    OptionalText(const char* text) : OptionalText(std::string_view(text)) {}
    OptionalText(const std::optional<std::string>& text);

    OptionalText(const OptionalText& other);
    OptionalText& operator=(const OptionalText& other);
    OptionalText(OptionalText&&) noexcept = default;
    OptionalText& operator=(OptionalText&&) noexcept = default;
    ~OptionalText() = default;

    bool has_value() const noexcept { return block_ != nullptr; }
    explicit operator bool() const noexcept { return has_value(); }
    // Only with a value, as for std::optional.
    std::string_view operator*() const noexcept;
    std::string_view value() const;
    std::string value_or(std::string_view fallback) const;
    void reset() noexcept { block_.reset(); }

    operator std::optional<std::string>() const;

    friend bool operator==(const OptionalText& a, const OptionalText& b) noexcept;
    friend bool operator==(const OptionalText& a, std::nullopt_t) noexcept {
        return !a.has_value();
    }
    friend bool operator==(const OptionalText& a, std::string_view b) noexcept {
        return a.has_value() && *a == b;
    }
    friend bool operator==(const OptionalText& a, const std::string& b) noexcept {
        return a == std::string_view(b);
    }
    friend bool operator==(const OptionalText& a, const char* b) noexcept {
        return a == std::string_view(b);
    }
    friend bool operator==(const OptionalText& a, const std::optional<std::string>& b) noexcept {
        return b ? a == std::string_view(*b) : !a.has_value();
    }

private:
    // The length (a std::size_t) and then the bytes.
    std::unique_ptr<char[]> block_;
};

} // namespace orvane
