#include "tags/TagText.h"

#include "model/TextUtil.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

#include <unicode/brkiter.h>
#include <unicode/ucnv.h>
#include <unicode/utf8.h>

namespace orvane::tagtext {

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

// ICU converters and break iterators are not thread-safe; each thread keeps its own.
UConverter* cp1251Converter() {
    thread_local std::unique_ptr<UConverter, ConverterCloser> converter = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<UConverter, ConverterCloser> c(ucnv_open("cp1251", &status));
        if (U_FAILURE(status))
            return std::unique_ptr<UConverter, ConverterCloser>();
        // A byte without a character fails the decoding instead of becoming a substitute.
        ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        return U_SUCCESS(status) ? std::move(c) : std::unique_ptr<UConverter, ConverterCloser>();
    }();
    return converter.get();
}

icu::BreakIterator* graphemeIterator() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> it(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(it) : nullptr;
    }();
    return iterator.get();
}

// The ISO-8859-1 bytes of `text`, or nullopt when a character lies outside it.
std::optional<std::string> latin1Bytes(const std::string& text) {
    std::string bytes;
    bytes.reserve(text.size());
    const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t i = 0;
    while (i < length) {
        UChar32 c = 0;
        U8_NEXT(s, i, length, c);
        if (c < 0 || c > 0xFF)
            return std::nullopt;
        bytes.push_back(static_cast<char>(c));
    }
    return bytes;
}

std::optional<icu::UnicodeString> decodeCp1251(const std::string& bytes) {
    UConverter* converter = cp1251Converter();
    if (converter == nullptr)
        return std::nullopt;
    ucnv_resetToUnicode(converter);
    std::vector<UChar> units(bytes.size() + 1);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        ucnv_toUChars(converter, units.data(), static_cast<int32_t>(units.size()), bytes.data(),
                      static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    return icu::UnicodeString(units.data(), length);
}

int32_t graphemeCount(const icu::UnicodeString& text) {
    icu::BreakIterator* it = graphemeIterator();
    if (it == nullptr)
        return text.countChar32();
    it->setText(text);
    int32_t count = 0;
    it->first();
    while (it->next() != icu::BreakIterator::DONE)
        ++count;
    return count;
}

// A whole decimal integer: optional sign, ASCII digits, nothing else, within int.
std::optional<int> parseInteger(std::string_view part) {
    part = trimBlanksAndTabs(part);
    bool negative = false;
    if (!part.empty() && (part.front() == '+' || part.front() == '-')) {
        negative = part.front() == '-';
        part.remove_prefix(1);
    }
    if (part.empty() || part.front() < '0' || part.front() > '9')
        return std::nullopt;
    long long magnitude = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), magnitude);
    if (error != std::errc() || end != part.data() + part.size())
        return std::nullopt;
    const long long value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

// Splits at the first "/" that ends a non-empty part; empty parts are dropped and do
// not count as the split, so "//5" is one part and "/1/2" two.
std::vector<std::string_view> splitOnce(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '/')
            continue;
        if (i > start) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
            if (start < text.size())
                parts.push_back(text.substr(start));
            return parts;
        }
        start = i + 1;
    }
    if (start < text.size())
        parts.push_back(text.substr(start));
    return parts;
}

} // namespace

std::optional<std::string> fixMojibake(const std::optional<std::string>& text) {
    if (!text)
        return std::nullopt;
    const auto bytes = latin1Bytes(*text);
    if (!bytes)
        return text;
    // Plain ASCII decodes to itself and holds no Cyrillic: nothing to fix.
    if (std::all_of(bytes->begin(), bytes->end(), [](char c) { return (c & 0x80) == 0; }))
        return text;
    const auto decoded = decodeCp1251(*bytes);
    if (!decoded || decoded->isEmpty())
        return text;
    int32_t cyrillic = 0;
    for (int32_t i = 0; i < decoded->length(); i = decoded->moveIndex32(i, 1)) {
        const UChar32 c = decoded->char32At(i);
        if (c >= 0x0400 && c <= 0x04FF)
            ++cyrillic;
    }
    if (cyrillic == 0)
        return text;
    const int32_t graphemes = graphemeCount(*decoded);
    if (graphemes <= 0 || static_cast<double>(cyrillic) / graphemes <= 0.4)
        return text;
    std::string out;
    decoded->toUTF8String(out);
    return out;
}

std::pair<std::optional<int>, std::optional<int>>
parseNumberSlash(const std::optional<std::string>& text) {
    if (!text || text->empty())
        return {};
    const auto parts = splitOnce(*text);
    if (parts.empty())
        return {};
    std::optional<int> second;
    if (parts.size() > 1)
        second = parseInteger(parts[1]);
    return {parseInteger(parts[0]), second};
}

} // namespace orvane::tagtext
