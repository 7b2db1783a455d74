#include "tags/TagText.h"

#include <gtest/gtest.h>

namespace orvane::tagtext {
namespace {

// Each byte of `bytes` as the ISO-8859-1 character of that code, in UTF-8: what a
// tag reader makes of a Latin-1 frame.
std::string asLatin1Text(const std::string& bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (b >> 6)));
            out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return out;
}

// Windows-1251 text read as Latin-1 is turned back into Cyrillic when more than 40 % of
// its characters (grapheme clusters) would be Cyrillic; other texts stay as they are.
TEST(FixMojibake, RepairsMostlyCyrillicTextsOnly) {
    const std::pair<std::string, std::string> cases[] = {
        // "Привет, мир" in Windows-1251.
        {asLatin1Text("\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0"), "Привет, мир"},
        {"Café crème brûlée", "Café crème brûlée"},
        // Two Cyrillic letters among five characters is exactly 0.4: kept; three, decoded.
        {asLatin1Text("\xC0\xC1xyz"), asLatin1Text("\xC0\xC1xyz")},
        {asLatin1Text("\xC0\xC1\xC2yz"), "АБВyz"},
        // CR LF is one cluster: 2 of 4 clusters (decoded) though only 2 of 6 scalars.
        {asLatin1Text("\xC0\xC1\r\n\r\n"), "АБ\r\n\r\n"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(fixMojibake(text), expected) << text;
    EXPECT_EQ(fixMojibake(std::nullopt), std::nullopt);
}

TEST(ParseNumberSlash, ReadsNumberAndTotal) {
    using P = std::pair<std::optional<int>, std::optional<int>>;
    const P none;
    const std::pair<const char*, P> cases[] = {
        {"3/12", P(3, 12)},
        {"7", P(7, std::nullopt)},
        {"\t5\t/ +6", P(5, 6)},
        // Empty parts are dropped before splitting.
        {"/12", P(12, std::nullopt)},
        {"1//2", P(1, std::nullopt)},
        // What is not an integer gives nothing.
        {"A/B", none},
        {"3a/4", P(std::nullopt, 4)},
        {"2147483648/99999999999999999999", none},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseNumberSlash(std::string(text)), expected) << '"' << text << '"';
    EXPECT_EQ(parseNumberSlash(std::nullopt), none);
}

} // namespace
} // namespace orvane::tagtext
