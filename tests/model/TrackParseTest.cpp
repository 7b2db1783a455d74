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
        {"/m/01_Intro.m4a", {"", "Intro"}},
        {"/m/01-02 Song.mp3", {"", "02 Song"}},
        {"/m/2024.mp3", {"", "2024"}},
        {"/m/ - Song.mp3", {"", "- Song"}},
        // A name that is only a number keeps it.
        {"/m/42 .mp3", {"", "42"}},
        {"/m/07 - .mp3", {"", "07 -"}},
        {"/m/  7_.mp3", {"", "7_"}},
        // A separator with one empty side gives a title only.
        {"/m/Song - .mp3", {"", "Song -"}},
        {"/m/Artist\t - \t.mp3", {"", "Artist\t -"}},
        {"/m/\t - Song.mp3", {"", "- Song"}},
        {"/m/Artist-Title.mp3", {"", "Artist-Title"}},
        // Blanks and tabs are trimmed, line breaks are not; U+00A0 and U+3000 are blanks.
        {"/m/\tArtist\t -  Title .mp3", {"Artist", "Title"}},
        {"/m/Artist - Title\n.mp3", {"Artist", "Title\n"}},
        {"/m/\u3000Artist - Title\u00A0.mp3", {"Artist", "Title"}},
        // Track numbers in any digits, followed by any space; not after a letter.
        {"/m/\uFF10\uFF13\u00A0Song.mp3", {"", "Song"}},
        {"/m/\u0663 - A - B.mp3", {"A", "B"}},
        {"/m/A1 Song.mp3", {"", "A1 Song"}},
        // The file name and its last extension from the path.
        {"Artist - Title.mp3", {"Artist", "Title"}},
        {"/v1.0/Artist - Title", {"Artist", "Title"}},
        {"/m/Mr. Big - Live.1999.mp3", {"Mr. Big", "Live.1999"}},
        {"/m/Song.mp3.flac", {"", "Song.mp3"}},
        {"", {"", ""}},
        // Bytes that are not UTF-8 are kept.
        {"/m/01 Caf\xE9 - Ol\xE9.mp3", {"Caf\xE9", "Ol\xE9"}},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(Track::parse(path), expected) << '"' << path << '"';
}

TEST(TrackFromPath, FreshIdAndNameFromThePath) {
    const Track first = Track::fromPath("/m/03 - Artist - Title.mp3");
    EXPECT_FALSE(first.id.isNil());
    EXPECT_NE(first.id, Track::fromPath("/m/03 - Artist - Title.mp3").id);
    EXPECT_EQ(first, Track(first.id, "/m/03 - Artist - Title.mp3", "Artist", "Title"));
}

} // namespace
} // namespace orvane
