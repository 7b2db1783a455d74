#include "model/Track.h"

#include <utility>

#include <gtest/gtest.h>

namespace orvane {
namespace {

using ArtistTitle = std::pair<std::string, std::string>;

ArtistTitle parsed(const std::string& path) {
    return Track::parse(path);
}

TEST(TrackParse, ExamplesFromFileNames) {
    EXPECT_EQ(parsed("/m/03 - Artist Name - Song Title.mp3"),
              ArtistTitle("Artist Name", "Song Title"));
    EXPECT_EQ(parsed("/m/Artist - Title - Live.flac"), ArtistTitle("Artist", "Title - Live"));
    EXPECT_EQ(parsed("/m/12. Song.wav"), ArtistTitle("", "Song"));
    EXPECT_EQ(parsed("/m/01_Intro.m4a"), ArtistTitle("", "Intro"));
    EXPECT_EQ(parsed("/m/01-02 Song.mp3"), ArtistTitle("", "02 Song"));
    EXPECT_EQ(parsed("/m/2024.mp3"), ArtistTitle("", "2024"));
    EXPECT_EQ(parsed("/m/ - Song.mp3"), ArtistTitle("", "- Song"));
}

TEST(TrackParse, NameThatIsOnlyANumberKeepsIt) {
    EXPECT_EQ(parsed("/m/42 .mp3"), ArtistTitle("", "42"));
    EXPECT_EQ(parsed("/m/07 - .mp3"), ArtistTitle("", "07 -"));
    EXPECT_EQ(parsed("/m/  7_.mp3"), ArtistTitle("", "7_"));
}

TEST(TrackParse, SeparatorWithOneEmptySideGivesTitleOnly) {
    EXPECT_EQ(parsed("/m/Song - .mp3"), ArtistTitle("", "Song -"));
    EXPECT_EQ(parsed("/m/Artist\t - \t.mp3"), ArtistTitle("", "Artist\t -"));
    EXPECT_EQ(parsed("/m/\t - Song.mp3"), ArtistTitle("", "- Song"));
    EXPECT_EQ(parsed("/m/Artist-Title.mp3"), ArtistTitle("", "Artist-Title"));
}

TEST(TrackParse, TrimsBlanksAndTabsButNotLineBreaks) {
    EXPECT_EQ(parsed("/m/\tArtist\t -  Title .mp3"), ArtistTitle("Artist", "Title"));
    EXPECT_EQ(parsed("/m/Artist - Title\n.mp3"), ArtistTitle("Artist", "Title\n"));
    // U+00A0 and U+3000 are blanks too.
    EXPECT_EQ(parsed("/m/\u3000Artist - Title\u00A0.mp3"), ArtistTitle("Artist", "Title"));
}

TEST(TrackParse, TrackNumberUsesUnicodeDigitsAndSpaces) {
    // Full-width digits and a no-break space after the number.
    EXPECT_EQ(parsed("/m/\uFF10\uFF13\u00A0Song.mp3"), ArtistTitle("", "Song"));
    EXPECT_EQ(parsed("/m/\u0663 - A - B.mp3"), ArtistTitle("A", "B")); // Arabic-Indic three
    // A letter before the digits means there is no track number.
    EXPECT_EQ(parsed("/m/A1 Song.mp3"), ArtistTitle("", "A1 Song"));
}

TEST(TrackParse, FileNameAndExtensionFromThePath) {
    EXPECT_EQ(parsed("Artist - Title.mp3"), ArtistTitle("Artist", "Title"));
    EXPECT_EQ(parsed("/v1.0/Artist - Title"), ArtistTitle("Artist", "Title"));
    EXPECT_EQ(parsed("/m/Mr. Big - Live.1999.mp3"), ArtistTitle("Mr. Big", "Live.1999"));
    EXPECT_EQ(parsed("/m/Song.mp3.flac"), ArtistTitle("", "Song.mp3"));
    EXPECT_EQ(parsed(""), ArtistTitle("", ""));
}

TEST(TrackParse, BytesThatAreNotUtf8AreKept) {
    EXPECT_EQ(parsed("/m/01 Caf\xE9 - Ol\xE9.mp3"), ArtistTitle("Caf\xE9", "Ol\xE9"));
}

TEST(TrackFromPath, FreshIdAndNameFromThePath) {
    const Track first = Track::fromPath("/m/03 - Artist - Title.mp3");
    const Track second = Track::fromPath("/m/03 - Artist - Title.mp3");
    EXPECT_FALSE(first.id.isNil());
    EXPECT_NE(first.id, second.id);
    EXPECT_EQ(first.path, "/m/03 - Artist - Title.mp3");
    EXPECT_EQ(first.artist, "Artist");
    EXPECT_EQ(first.title, "Title");
    EXPECT_FALSE(first.duration);
    EXPECT_FALSE(first.album);
    EXPECT_FALSE(first.trimStart);
}

} // namespace
} // namespace orvane
