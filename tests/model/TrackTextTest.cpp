// The texts of a track: its name from the file name, and its times.

#include "model/Formatters.h"
#include "model/Track.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(TrackParse, ArtistAndTitleFromTheFileName) {
    using ArtistTitle = std::pair<std::string, std::string>;
    const std::pair<const char*, ArtistTitle> cases[] = {
        {"/m/03 - Artist Name - Song Title.mp3", {"Artist Name", "Song Title"}},
        {"/m/Artist - Title - Live.flac", {"Artist", "Title - Live"}},
        {"/m/12. Song.wav", {"", "Song"}},
        {"/m/01-02 Song.mp3", {"", "02 Song"}},
        // A name that is only a number keeps it; one empty side gives a title only.
        {"/m/2024.mp3", {"", "2024"}},
        {"/m/Song - .mp3", {"", "Song -"}},
        // U+00A0 and U+3000 are blanks; track numbers in any digits.
        {"/m/\u3000Artist - Title\u00A0.mp3", {"Artist", "Title"}},
        {"/m/\u0663 - A - B.mp3", {"A", "B"}},
        {"/m/Mr. Big - Live.1999.mp3", {"Mr. Big", "Live.1999"}},
        // Bytes that are not UTF-8 are kept.
        {"/m/01 Caf\xE9 - Ol\xE9.mp3", {"Caf\xE9", "Ol\xE9"}},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(Track::parse(path), expected) << '"' << path << '"';

    // A track from a path: a fresh id, and the name from the path.
    const Track first = Track::fromPath("/m/03 - Artist - Title.mp3");
    EXPECT_NE(first.id, Track::fromPath("/m/03 - Artist - Title.mp3").id);
    EXPECT_EQ(first, Track(first.id, "/m/03 - Artist - Title.mp3", "Artist", "Title"));
}

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
const std::string noTime = "\u2013:\u2013\u2013";

TEST(FormatTime, DashesMinutesOrHours) {
    const std::pair<std::optional<double>, std::string> cases[] = {
        {std::nullopt, noTime},
        {nan, noTime},
        {-1.0, noTime},
        {59.5, "1:00"}, // halves round up
        {3599.4, "59:59"},
        {3725.0, "1:02:05"},
        // Clamped to 10^15 s rather than overflowing the integer conversion.
        {1e300, "277777777777:46:40"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(formatTime(seconds), text) << seconds.value_or(-999);
}

} // namespace
} // namespace orvane
