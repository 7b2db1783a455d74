// Numbers in the state file that RapidJSON's own conversion got wrong or read out of bounds
// for: a zero written with an exponent or many decimals, a long number that overflows
// (both found by fuzzing the state decoder).

#include "model/StateCodec.h"

#include <cmath>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// A file whose one track has `duration` written as `number`.
std::string fileWithDuration(const std::string& number) {
    return R"({"playlists":[{"id":"0A1B2C3D-4E5F-4B6A-8C7D-8E9FA0B1C1D3","name":"P","tracks":[)"
           R"({"id":"00000000-0000-4000-8000-000000000001","path":"\/a\/b.mp3","artist":"A",)"
           R"("title":"T","duration":)" +
           number + "}]}],\"settings\":{}}";
}

// Decodes through both readers and insists they agree.
std::optional<double> decodedDuration(const std::string& json) {
    const auto whole = fromJson<PersistedState>(json);
    std::size_t offset = 0;
    const auto streamed = readJson([&](char* buffer, std::size_t capacity) {
        const std::size_t n = std::min({capacity, std::size_t{5}, json.size() - offset});
        std::memcpy(buffer, json.data() + offset, n);
        offset += n;
        return std::optional<std::size_t>(n);
    });
    EXPECT_EQ(whole, streamed);
    if (!whole)
        return std::nullopt;
    return whole->playlists.at(0).tracks.at(0).duration;
}

TEST(StateNumbers, ZerosWithExponentOrManyDecimalsReadAsZero) {
    // The first is the fuzzer's input; it used to decode as about 7.7e25.
    for (const char* zero : {"0e052", "0E+300", "0.0e-30", "0e-400",
                             "0.00000000000000000000000000000", "0.0", "0e0"}) {
        const auto duration = decodedDuration(fileWithDuration(zero));
        ASSERT_TRUE(duration.has_value()) << zero;
        EXPECT_EQ(*duration, 0.0) << zero;
        EXPECT_FALSE(std::signbit(*duration)) << zero;
    }
    const auto negative = decodedDuration(fileWithDuration("-0e99"));
    ASSERT_TRUE(negative.has_value());
    EXPECT_TRUE(*negative == 0.0 && std::signbit(*negative));
}

TEST(StateNumbers, OtherNumbersKeepTheirExactValueAndKind) {
    EXPECT_EQ(decodedDuration(fileWithDuration("0.30000000000000004")), 0.30000000000000004);
    EXPECT_EQ(decodedDuration(fileWithDuration("4.9406564584124654e-324")),
              4.9406564584124654e-324);
    EXPECT_EQ(decodedDuration(fileWithDuration("1.7976931348623157e308")), 1.7976931348623157e308);
    EXPECT_EQ(decodedDuration(fileWithDuration("-12")), -12.0);
    EXPECT_EQ(decodedDuration(fileWithDuration("18446744073709551615")), 18446744073709551615.0);
    // Too large for a double: the file is not readable. The second is the fuzzer's input.
    EXPECT_FALSE(fromJson<PersistedState>(fileWithDuration("1e400")).has_value());
    EXPECT_FALSE(decodedDuration(fileWithDuration(std::string(93, '4') + "1e308")).has_value());
    EXPECT_FALSE(decodedDuration(fileWithDuration("1" + std::string(400, '0'))).has_value());
    EXPECT_FALSE(decodedDuration(fileWithDuration("0.00" + std::string(320, '9') + "e312")));
    // Too small: zero, with its sign.
    EXPECT_EQ(decodedDuration(fileWithDuration("0." + std::string(400, '0') + "1")), 0.0);
    EXPECT_EQ(decodedDuration(fileWithDuration("123e-330")), 0.0);
    const auto tiny = decodedDuration(fileWithDuration("-1" + std::string(30, '0') + "e-360"));
    ASSERT_TRUE(tiny.has_value());
    EXPECT_TRUE(*tiny == 0.0 && std::signbit(*tiny));

    // Integer fields take whole numbers in any spelling, zero included, and nothing else.
    const auto withTrackNumber = [](const std::string& number) {
        std::string json = fileWithDuration("1");
        json.insert(json.find("}]}]"), ",\"trackNumber\":" + number);
        const auto state = fromJson<PersistedState>(json);
        return state ? state->playlists[0].tracks[0].trackNumber : std::optional<int>(-999);
    };
    EXPECT_EQ(withTrackNumber("7"), 7);
    EXPECT_EQ(withTrackNumber("7.0e0"), 7);
    EXPECT_EQ(withTrackNumber("0.000e10"), 0);
    EXPECT_EQ(withTrackNumber("7.5"), -999);
    EXPECT_EQ(withTrackNumber("2147483648"), -999);
}

} // namespace
} // namespace orvane
