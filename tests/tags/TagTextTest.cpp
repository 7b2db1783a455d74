#include "tags/TagText.h"

#include <climits>

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

TEST(FixMojibake, TurnsWindows1251ReadAsLatin1BackIntoCyrillic) {
    // "Привет, мир" in Windows-1251.
    const std::string cp1251 = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0";
    EXPECT_EQ(fixMojibake(asLatin1Text(cp1251)), "Привет, мир");
}

TEST(FixMojibake, KeepsTextsThatAreNotMostlyCyrillicOnceDecoded) {
    EXPECT_EQ(fixMojibake(std::string("Café crème brûlée")), "Café crème brûlée");
    EXPECT_EQ(fixMojibake(std::string("Plain ASCII")), "Plain ASCII");
    // Genuine Cyrillic is outside ISO-8859-1 and stays as it is.
    EXPECT_EQ(fixMojibake(std::string("Чайковский")), "Чайковский");
    EXPECT_EQ(fixMojibake(std::string()), "");
    EXPECT_EQ(fixMojibake(std::nullopt), std::nullopt);
}

TEST(FixMojibake, NeedsMoreThanFortyPercentCyrillicCharacters) {
    // Two Cyrillic letters among five characters is exactly 0.4: kept.
    EXPECT_EQ(fixMojibake(asLatin1Text("\xC0\xC1xyz")), asLatin1Text("\xC0\xC1xyz"));
    // Three among five is 0.6: decoded.
    EXPECT_EQ(fixMojibake(asLatin1Text("\xC0\xC1\xC2yz")), "АБВyz");
}

TEST(FixMojibake, CountsCharactersAsGraphemeClusters) {
    // CR LF is one grapheme: two Cyrillic letters and two line ends are 2 of 4
    // clusters (0.5, decoded) though only 2 of 6 scalars.
    EXPECT_EQ(fixMojibake(asLatin1Text("\xC0\xC1\r\n\r\n")), "АБ\r\n\r\n");
}

TEST(ParseNumberSlash, ReadsNumberAndTotal) {
    using P = std::pair<std::optional<int>, std::optional<int>>;
    EXPECT_EQ(parseNumberSlash(std::string("3/12")), P(3, 12));
    EXPECT_EQ(parseNumberSlash(std::string("7")), P(7, std::nullopt));
    EXPECT_EQ(parseNumberSlash(std::string("03 / 10")), P(3, 10));
    EXPECT_EQ(parseNumberSlash(std::string("\t5\t/ +6")), P(5, 6));
    EXPECT_EQ(parseNumberSlash(std::string("-2")), P(-2, std::nullopt));
    EXPECT_EQ(parseNumberSlash(std::string("5/")), P(5, std::nullopt));
    EXPECT_EQ(parseNumberSlash(std::string("05")), P(5, std::nullopt));
}

TEST(ParseNumberSlash, DropsEmptyPartsBeforeSplitting) {
    using P = std::pair<std::optional<int>, std::optional<int>>;
    EXPECT_EQ(parseNumberSlash(std::string("/12")), P(12, std::nullopt));
    EXPECT_EQ(parseNumberSlash(std::string("//5")), P(5, std::nullopt));
    EXPECT_EQ(parseNumberSlash(std::string("/1/2")), P(1, 2));
    EXPECT_EQ(parseNumberSlash(std::string("1//2")), P(1, std::nullopt));
    EXPECT_EQ(parseNumberSlash(std::string("1/2/3")), P(1, std::nullopt));
}

TEST(ParseNumberSlash, GivesNothingForWhatIsNotAnInteger) {
    using P = std::pair<std::optional<int>, std::optional<int>>;
    const P none;
    EXPECT_EQ(parseNumberSlash(std::nullopt), none);
    EXPECT_EQ(parseNumberSlash(std::string()), none);
    EXPECT_EQ(parseNumberSlash(std::string("/")), none);
    EXPECT_EQ(parseNumberSlash(std::string("A/B")), none);
    EXPECT_EQ(parseNumberSlash(std::string("+")), none);
    EXPECT_EQ(parseNumberSlash(std::string("+-3")), none);
    EXPECT_EQ(parseNumberSlash(std::string("3a/4")), P(std::nullopt, 4));
    EXPECT_EQ(parseNumberSlash(std::string(" /4")), P(std::nullopt, 4));
    EXPECT_EQ(parseNumberSlash(std::string("2147483647")), P(INT_MAX, std::nullopt));
    EXPECT_EQ(parseNumberSlash(std::string("2147483648/99999999999999999999")), none);
}

} // namespace
} // namespace orvane::tagtext
