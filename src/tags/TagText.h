#pragma once

#include <optional>
#include <string>
#include <utility>

// Clean-up rules the metadata reader applies to every tag text. Pure functions, safe
// from any thread.
namespace orvane::tagtext {

// Undoes the usual damage of Cyrillic tags: Windows-1251 bytes stored in a frame that
// claims ISO-8859-1 and so read as accented Latin letters. When every character of
// `text` is in ISO-8859-1 and, decoded from those bytes as Windows-1251, more than 40 %
// of the characters (grapheme clusters) are Cyrillic, the decoded text is returned;
// otherwise `text` as given.
std::optional<std::string> fixMojibake(const std::optional<std::string>& text);

// "3/12" -> (3, 12), "7" -> (7, none), " 03 / 10" -> (3, 10), "/12" -> (12, none),
// "1/2/3" -> (1, none). The text is split at the first "/" after dropping empty parts;
// each part, trimmed of blanks and tabs, must be a whole decimal integer with an
// optional sign that fits an int.
std::pair<std::optional<int>, std::optional<int>>
parseNumberSlash(const std::optional<std::string>& text);

} // namespace orvane::tagtext
