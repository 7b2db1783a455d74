#include "model/Track.h"

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
}

TEST(TrackFromPath, FreshIdAndNameFromThePath) {
    const Track first = Track::fromPath("/m/03 - Artist - Title.mp3");
    EXPECT_NE(first.id, Track::fromPath("/m/03 - Artist - Title.mp3").id);
    EXPECT_EQ(first, Track(first.id, "/m/03 - Artist - Title.mp3", "Artist", "Title"));
}

} // namespace
} // namespace orvane
