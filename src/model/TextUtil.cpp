#include "model/TextUtil.h"

#include <algorithm>
#include <cstdint>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace orvane {

namespace {

bool isBlankOrTab(UChar32 c) {
    return c == '\t' || (c >= 0 && u_charType(c) == U_SPACE_SEPARATOR);
}

// The character that ends at `end`, looking no further back than `floor`.
DecodedChar decodeBefore(std::string_view text, std::size_t floor, std::size_t end) {
    const std::size_t windowStart = std::max(floor, end >= 4 ? end - 4 : 0);
    auto i = static_cast<std::int32_t>(end - windowStart);
    const std::int32_t sequenceEnd = i;
    UChar32 c = 0;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
    U8_PREV(text.data() + windowStart, 0, i, c);
#pragma GCC diagnostic pop
    return {c, static_cast<std::size_t>(sequenceEnd - i)};
}

} // namespace

DecodedChar decodeUtf8At(std::string_view text, std::size_t offset) {
    // ICU's macros index with int32_t: decoding from a window of at most four bytes
    // handles texts of any length without narrowing.
    const auto length = static_cast<std::int32_t>(std::min<std::size_t>(text.size() - offset, 4));
    std::int32_t i = 0;
    UChar32 c = 0;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
    U8_NEXT(text.data() + offset, i, length, c);
#pragma GCC diagnostic pop
    return {c, static_cast<std::size_t>(i)};
}

std::string_view trimBlanksAndTabs(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        const DecodedChar d = decodeUtf8At(text, begin);
        if (!isBlankOrTab(d.codePoint))
            break;
        begin += d.length;
    }
    std::size_t end = text.size();
    while (end > begin) {
        const DecodedChar d = decodeBefore(text, begin, end);
        if (!isBlankOrTab(d.codePoint))
            break;
        end -= d.length;
    }
    return text.substr(begin, end - begin);
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t offset = 0; offset < text.size();) {
        const DecodedChar d = decodeUtf8At(text, offset);
        if (d.codePoint < 0)
            return false;
        offset += d.length;
    }
    return true;
}

bool isLineBreak(char32_t c) {
    return c == U'\n' || c == U'\r' || c == U'\v' || c == U'\f' || c == U'\u0085' ||
           c == U'\u2028' || c == U'\u2029';
}

} // namespace orvane
