#include "model/OptionalText.h"

#include <cstring>

namespace orvane {

OptionalText::OptionalText(std::string_view text)
    : block_(std::make_unique_for_overwrite<char[]>(sizeof(std::size_t) + text.size())) {
    const std::size_t size = text.size();
    std::memcpy(block_.get(), &size, sizeof size);
    if (size > 0)
        std::memcpy(block_.get() + sizeof size, text.data(), size);
}

OptionalText::OptionalText(const std::optional<std::string>& text) {
    if (text)
        *this = OptionalText(std::string_view(*text));
}

OptionalText::OptionalText(const OptionalText& other) {
    if (other)
        *this = OptionalText(*other);
}

OptionalText& OptionalText::operator=(const OptionalText& other) {
    if (this != &other)
        *this = other ? OptionalText(*other) : OptionalText();
    return *this;
}

std::string_view OptionalText::operator*() const noexcept {
    std::size_t size = 0;
    std::memcpy(&size, block_.get(), sizeof size);
    return {block_.get() + sizeof size, size};
}

std::string_view OptionalText::value() const {
    if (!has_value())
        throw std::bad_optional_access();
    return **this;
}

std::string OptionalText::value_or(std::string_view fallback) const {
    return std::string(has_value() ? **this : fallback);
}

OptionalText::operator std::optional<std::string>() const {
    if (!has_value())
        return std::nullopt;
    return std::string(**this);
}

bool operator==(const OptionalText& a, const OptionalText& b) noexcept {
    if (!a.has_value() || !b.has_value())
        return a.has_value() == b.has_value();
    return *a == *b;
}

} // namespace orvane
