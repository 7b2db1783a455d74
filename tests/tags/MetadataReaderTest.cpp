// The metadata reader on generated files of every kind (scripts/make-tag-fixtures.sh).

#include "tags/MetadataReader.h"

#include "TagTestSupport.h"

#include <gtest/gtest.h>

// The expected tags name only the fields they set; the rest stay empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace orvane {
namespace {

using tagtest::fixture;

// What the tags of each kind of file give. Every file but the tag-only one holds one
// second of audio at 44.1 kHz, with a bit rate near `kbps` (any, where that is -1).
TEST(MetadataReader, ReadsTheTagsOfEveryKindOfFile) {
    const TrackMetadata common{.artist = "Artist", .title = "Title", .album = "Album"};
    const struct {
        const char* file;
        TrackMetadata tags;
        int kbps;
    } cases[] = {
        // clang-format off
        {"v23.mp3", {.artist = "Artist23", .title = "Title23", .album = "Album23",
            .albumArtist = "AlbumArtist23", .genre = "Rock", .year = "2001", .trackNumber = 3,
            .trackTotal = 12, .discNumber = 1, .discTotal = 2, .composer = "Composer23",
            .comment = "Comment23"}, 128},
        // UTF-8 frames and a TDRC year. This writer keeps the comment in a user text
        // frame, which is not a comment.
        {"v24.mp3", {.artist = "Artist", .title = "Title24", .album = "Album",
            .albumArtist = "AlbumArtist", .genre = "Genre", .year = "2003", .trackNumber = 4,
            .trackTotal = 10, .discNumber = 2, .discTotal = 3, .composer = "Composer"}, 192},
        // Other containers give only their common tags, and so does ID3v2.2.
        {"tagged.m4a", common, -1},
        {"v22.mp3", {.artist = "Artist22", .title = "Title22", .album = "Album22"}, 128},
        // ID3 chunks of WAV files.
        {"id3.wav", {.artist = "WavArtist", .title = "WavTitle", .album = "WavAlbum",
            .albumArtist = "WavAlbumArtist", .trackNumber = 2, .trackTotal = 8}, 1411},
        {"tag-only.mp3", {.title = "Only a tag", .albumArtist = "Nobody"}, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TrackMetadata meta = MetadataReader::read(fixture(c.file));
        if (c.kbps == 0) {
            EXPECT_FALSE(meta.duration || meta.sampleRateHz || meta.bitrateKbps);
        } else {
            ASSERT_TRUE(meta.duration && meta.bitrateKbps);
            EXPECT_NEAR(*meta.duration, 1.0, 0.03);
            EXPECT_EQ(meta.sampleRateHz, 44100);
            if (c.kbps > 0) {
                EXPECT_NEAR(*meta.bitrateKbps, c.kbps, c.kbps / 20.0);
            }
        }
        meta.duration.reset();
        meta.sampleRateHz.reset();
        meta.bitrateKbps.reset();
        EXPECT_EQ(meta, c.tags);
    }
}

TEST(MetadataReader, TheLaterOfTyerAndTdrcWins) {
    EXPECT_EQ(MetadataReader::read(fixture("tyer-tdrc.mp3")).year, "2005-06-07");
    EXPECT_EQ(MetadataReader::read(fixture("tdrc-tyer.mp3")).year, "1999");
}

TEST(MetadataReader, RepairsCyrillicReadAsLatin1AndKeepsFrench) {
    const TrackMetadata meta = MetadataReader::read(fixture("mojibake.mp3"));
    EXPECT_EQ(meta.title, "Привет, мир");
    EXPECT_EQ(meta.artist, "Café crème");
    EXPECT_EQ(meta.composer, "Чайковский");
}

} // namespace
} // namespace orvane
