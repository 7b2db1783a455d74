#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orvane {

// Small UTF-8 helpers shared by file-name parsing and playlist files. Pure functions.

// `text` without blanks (Unicode space separators) and tabs at either end. Line breaks
// are kept. Bytes that are not valid UTF-8 count as ordinary characters.
std::string_view trimBlanksAndTabs(std::string_view text);

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool isValidUtf8(std::string_view text);

// One character decoded from UTF-8 at a byte offset.
struct DecodedChar {
    std::int32_t codePoint; // negative for an ill-formed sequence
    std::size_t length;     // bytes taken; 1 for an ill-formed byte
};

// Decodes the character that starts at `offset` (which must be inside `text`).
DecodedChar decodeUtf8At(std::string_view text, std::size_t offset);

// Line feed, carriage return, vertical tab, form feed, next line, and the Unicode line
// and paragraph separators.
bool isLineBreak(char32_t c);

} // namespace orvane
