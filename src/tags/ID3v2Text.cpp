#include "tags/ID3v2Text.h"

#include <unicode/ustring.h>

namespace orvane::id3v2 {

namespace {

enum Encoding : std::uint8_t { Latin1 = 0, Utf16Bom = 1, Utf16Be = 2, Utf8 = 3 };

constexpr UChar32 kReplacement = 0xFFFD;

std::size_t terminatorWidth(std::uint8_t encoding) {
    return encoding == Utf16Bom || encoding == Utf16Be ? 2 : 1;
}

// Position of the next terminator at or after `from` (aligned to the code unit for
// UTF-16), or the size of `bytes` when there is none.
std::size_t findTerminator(ByteView bytes, std::uint8_t encoding, std::size_t from) {
    const std::size_t width = terminatorWidth(encoding);
    for (std::size_t i = from; i + width <= bytes.size(); i += width) {
        if (bytes[i] == 0 && (width == 1 || bytes[i + 1] == 0))
            return i;
    }
    return bytes.size();
}

std::string utf16ToUtf8(const std::u16string& units) {
    if (units.empty())
        return {};
    std::string out(units.size() * 3, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, units.data(),
                       static_cast<int32_t>(units.size()), kReplacement, nullptr, &status);
    if (U_FAILURE(status))
        return {};
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::u16string utf8ToUtf16(std::string_view utf8) {
    if (utf8.empty())
        return {};
    std::u16string out(utf8.size(), u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), kReplacement, nullptr, &status);
    if (U_FAILURE(status))
        return {};
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::u16string readUtf16(ByteView bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned hi = bigEndian ? bytes[i] : bytes[i + 1];
        const unsigned lo = bigEndian ? bytes[i + 1] : bytes[i];
        units.push_back(static_cast<char16_t>((hi << 8) | lo));
    }
    return units;
}

// One string (without terminator) in the given encoding. A UTF-16 string without a
// byte-order mark is taken as little-endian, the order almost every writer uses.
std::string decodeString(ByteView bytes, std::uint8_t encoding) {
    switch (encoding) {
    case Latin1: {
        std::string out;
        out.reserve(bytes.size());
        for (const std::uint8_t b : bytes) {
            if (b < 0x80) {
                out.push_back(static_cast<char>(b));
            } else {
                out.push_back(static_cast<char>(0xC0 | (b >> 6)));
                out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
            }
        }
        return out;
    }
    case Utf16Bom: {
        bool bigEndian = false;
        if (bytes.size() >= 2 &&
            ((bytes[0] == 0xFE && bytes[1] == 0xFF) || (bytes[0] == 0xFF && bytes[1] == 0xFE))) {
            bigEndian = bytes[0] == 0xFE;
            bytes = bytes.subspan(2);
        }
        return utf16ToUtf8(readUtf16(bytes, bigEndian));
    }
    case Utf16Be:
        return utf16ToUtf8(readUtf16(bytes, true));
    default: {
        std::string raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        // Round trip through UTF-16 to replace malformed sequences.
        return utf16ToUtf8(utf8ToUtf16(raw));
    }
    }
}

// Splits `bytes` at terminators into strings; an empty remainder after the last
// terminator is not a string of its own.
std::vector<ByteView> splitStrings(ByteView bytes, std::uint8_t encoding) {
    std::vector<ByteView> parts;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t end = findTerminator(bytes, encoding, pos);
        parts.push_back(bytes.subspan(pos, end - pos));
        pos = end + terminatorWidth(encoding);
    }
    return parts;
}

void appendUtf16Bom(Bytes& out, const std::u16string& units) {
    out.push_back(0xFF);
    out.push_back(0xFE);
    for (const char16_t unit : units) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
}

// Frame layouts for re-encoding: what follows the encoding byte, field by field.
enum class Field {
    Raw1,       // one byte (picture type)
    Raw3,       // three bytes (language)
    Latin1Text, // terminated ISO-8859-1 text (MIME type)
    Text,       // terminated text in the frame's encoding
    TextList,   // texts in the frame's encoding up to the end
    Rest,       // binary data or an ISO-8859-1 URL up to the end
};

std::vector<Field> layoutOf(const std::string& id) {
    using enum Field;
    if (id == "TXXX")
        return {Text, TextList};
    if (id[0] == 'T')
        return {TextList};
    if (id == "COMM" || id == "USLT")
        return {Raw3, Text, TextList};
    if (id == "APIC")
        return {Latin1Text, Raw1, Text, Rest};
    if (id == "WXXX")
        return {Text, Rest};
    if (id == "GEOB")
        return {Latin1Text, Text, Text, Rest};
    if (id == "USER")
        return {Raw3, TextList};
    return {};
}

std::u16string decodeToUtf16(ByteView bytes, std::uint8_t encoding) {
    return encoding == Utf16Be ? readUtf16(bytes, true) : utf8ToUtf16(decodeString(bytes, Utf8));
}

// Re-encodes `in` (after its encoding byte) field by field; false when a field is
// missing, which leaves the frame untouched.
bool recodeFields(ByteView in, std::uint8_t encoding, const std::vector<Field>& layout,
                  Bytes& out) {
    std::size_t pos = 0;
    auto copy = [&](std::size_t count) {
        out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(pos),
                   in.begin() + static_cast<std::ptrdiff_t>(pos + count));
        pos += count;
    };
    for (const Field field : layout) {
        switch (field) {
        case Field::Raw1:
        case Field::Raw3: {
            const std::size_t count = field == Field::Raw1 ? 1 : 3;
            if (pos + count > in.size())
                return false;
            copy(count);
            break;
        }
        case Field::Latin1Text: {
            const std::size_t end = findTerminator(in, Latin1, pos);
            if (end == in.size())
                return false;
            copy(end - pos + 1);
            break;
        }
        case Field::Text: {
            const std::size_t end = findTerminator(in, encoding, pos);
            if (end == in.size())
                return false;
            appendUtf16Bom(out, decodeToUtf16(in.subspan(pos, end - pos), encoding));
            out.insert(out.end(), {0, 0});
            pos = end + terminatorWidth(encoding);
            break;
        }
        case Field::TextList: {
            const auto parts = splitStrings(in.subspan(pos), encoding);
            for (std::size_t i = 0; i < parts.size(); ++i) {
                if (i > 0)
                    out.insert(out.end(), {0, 0});
                appendUtf16Bom(out, decodeToUtf16(parts[i], encoding));
            }
            pos = in.size();
            break;
        }
        case Field::Rest:
            copy(in.size() - pos);
            break;
        }
    }
    return true;
}

} // namespace

std::optional<std::string> textFrameValue(ByteView content) {
    if (content.empty() || content[0] > Utf8)
        return std::nullopt;
    const std::uint8_t encoding = content[0];
    auto parts = splitStrings(content.subspan(1), encoding);
    while (!parts.empty() && parts.back().empty())
        parts.pop_back();
    std::string value;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            value += '/';
        value += decodeString(parts[i], encoding);
    }
    return value;
}

std::optional<Comment> commentFrameValue(ByteView content) {
    if (content.size() < 4 || content[0] > Utf8)
        return std::nullopt;
    const std::uint8_t encoding = content[0];
    Comment comment;
    comment.language.assign(reinterpret_cast<const char*>(&content[1]), 3);
    const ByteView rest = content.subspan(4);
    const std::size_t end = findTerminator(rest, encoding, 0);
    comment.description = decodeString(rest.subspan(0, end), encoding);
    if (end < rest.size()) {
        auto parts = splitStrings(rest.subspan(end + terminatorWidth(encoding)), encoding);
        if (!parts.empty())
            comment.text = decodeString(parts.front(), encoding);
    }
    return comment;
}

Bytes utf16LeWithBom(std::string_view utf8) {
    Bytes out;
    appendUtf16Bom(out, utf8ToUtf16(utf8));
    return out;
}

void recodeForV23(Frame& frame) {
    if (!frame.isPlain() || frame.data.empty())
        return;
    const std::uint8_t encoding = frame.data[0];
    if (encoding != Utf16Be && encoding != Utf8)
        return;
    const auto layout = layoutOf(frame.id);
    if (layout.empty())
        return;
    Bytes recoded{Utf16Bom};
    if (recodeFields(ByteView(frame.data).subspan(1), encoding, layout, recoded))
        frame.data = std::move(recoded);
}

} // namespace orvane::id3v2
