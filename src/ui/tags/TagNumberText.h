#pragma once

#include <optional>

#include <QString>

namespace orvane {

// The number fields of the tag editor (track and disc, each with its total).

// The number typed into a field: an optional "+" or "-" followed by ASCII decimal digits
// and nothing else, not even a blank. Empty text, any other text and numbers beyond the
// range of int give none, so that a slip of the keyboard clears the number rather than
// writing a wrong one.
std::optional<int> parseTagNumber(const QString& text);

// The text a number field starts with: the decimal number, or empty for none.
QString tagNumberText(const std::optional<int>& number);

} // namespace orvane
