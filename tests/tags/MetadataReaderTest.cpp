// The metadata reader on generated files of every kind (scripts/make-tag-fixtures.sh).

#include "tags/MetadataReader.h"

#include "TagTestSupport.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using tagtest::fixture;

void expectOneSecondAt44k(const TrackMetadata& meta) {
    ASSERT_TRUE(meta.duration.has_value());
    EXPECT_NEAR(*meta.duration, 1.0, 0.03);
    EXPECT_EQ(meta.sampleRateHz, 44100);
}

void expectNoFrameFields(const TrackMetadata& meta) {
    EXPECT_EQ(meta.albumArtist, std::nullopt);
    EXPECT_EQ(meta.genre, std::nullopt);
    EXPECT_EQ(meta.year, std::nullopt);
    EXPECT_EQ(meta.trackNumber, std::nullopt);
    EXPECT_EQ(meta.trackTotal, std::nullopt);
    EXPECT_EQ(meta.discNumber, std::nullopt);
    EXPECT_EQ(meta.discTotal, std::nullopt);
    EXPECT_EQ(meta.composer, std::nullopt);
    EXPECT_EQ(meta.comment, std::nullopt);
}

TEST(MetadataReader, ReadsEveryFieldOfAnId3v23Mp3) {
    const TrackMetadata meta = MetadataReader::read(fixture("v23.mp3"));
    EXPECT_EQ(meta.title, "Title23");
    EXPECT_EQ(meta.artist, "Artist23");
    EXPECT_EQ(meta.album, "Album23");
    EXPECT_EQ(meta.albumArtist, "AlbumArtist23");
    EXPECT_EQ(meta.genre, "Rock");
    EXPECT_EQ(meta.year, "2001");
    EXPECT_EQ(meta.trackNumber, 3);
    EXPECT_EQ(meta.trackTotal, 12);
    EXPECT_EQ(meta.discNumber, 1);
    EXPECT_EQ(meta.discTotal, 2);
    EXPECT_EQ(meta.composer, "Composer23");
    EXPECT_EQ(meta.comment, "Comment23");
    expectOneSecondAt44k(meta);
    ASSERT_TRUE(meta.bitrateKbps.has_value());
    EXPECT_NEAR(*meta.bitrateKbps, 128, 6);
}

TEST(MetadataReader, ReadsUtf8FramesOfAnId3v24Mp3) {
    const TrackMetadata meta = MetadataReader::read(fixture("v24.mp3"));
    EXPECT_EQ(meta.title, "Title24");
    EXPECT_EQ(meta.albumArtist, "AlbumArtist");
    EXPECT_EQ(meta.year, "2003"); // TDRC
    EXPECT_EQ(meta.trackNumber, 4);
    EXPECT_EQ(meta.trackTotal, 10);
    EXPECT_EQ(meta.discNumber, 2);
    EXPECT_EQ(meta.discTotal, 3);
    // This writer keeps the comment in a user text frame, which is not a comment.
    EXPECT_EQ(meta.comment, std::nullopt);
    ASSERT_TRUE(meta.bitrateKbps.has_value());
    EXPECT_NEAR(*meta.bitrateKbps, 192, 10);
}

TEST(MetadataReader, OtherContainersGiveOnlyTheirCommonTags) {
    for (const char* name : {"tagged.m4a", "tagged.flac", "info.wav"}) {
        SCOPED_TRACE(name);
        const TrackMetadata meta = MetadataReader::read(fixture(name));
        EXPECT_EQ(meta.title, "Title");
        EXPECT_EQ(meta.artist, "Artist");
        EXPECT_EQ(meta.album, "Album");
        expectNoFrameFields(meta);
        expectOneSecondAt44k(meta);
        EXPECT_TRUE(meta.bitrateKbps.has_value());
    }
}

TEST(MetadataReader, ReadsId3ChunksOfWavAndAiff) {
    const TrackMetadata wav = MetadataReader::read(fixture("id3.wav"));
    EXPECT_EQ(wav.title, "WavTitle");
    EXPECT_EQ(wav.albumArtist, "WavAlbumArtist");
    EXPECT_EQ(wav.trackNumber, 2);
    EXPECT_EQ(wav.trackTotal, 8);
    EXPECT_EQ(wav.bitrateKbps, 1411);
    expectOneSecondAt44k(wav);

    const TrackMetadata aiff = MetadataReader::read(fixture("id3.aiff"));
    EXPECT_EQ(aiff.title, "Title");
    EXPECT_EQ(aiff.albumArtist, "AlbumArtist");
    EXPECT_EQ(aiff.composer, "Composer");
    EXPECT_EQ(aiff.year, "2003");
    EXPECT_EQ(aiff.trackNumber, 4);
    expectOneSecondAt44k(aiff);
}

TEST(MetadataReader, Id3v22GivesCommonTagsButNoFrameFields) {
    const TrackMetadata meta = MetadataReader::read(fixture("v22.mp3"));
    EXPECT_EQ(meta.title, "Title22");
    EXPECT_EQ(meta.artist, "Artist22");
    EXPECT_EQ(meta.album, "Album22");
    expectNoFrameFields(meta);
}

TEST(MetadataReader, TheLaterOfTyerAndTdrcWins) {
    EXPECT_EQ(MetadataReader::read(fixture("tyer-tdrc.mp3")).year, "2005-06-07");
    EXPECT_EQ(MetadataReader::read(fixture("tdrc-tyer.mp3")).year, "1999");
}

TEST(MetadataReader, NumberTextsGenreAndComments) {
    const TrackMetadata meta = MetadataReader::read(fixture("numbers.mp3"));
    // TRCK "1/2" then "5/": the last frame counts.
    EXPECT_EQ(meta.trackNumber, 5);
    EXPECT_EQ(meta.trackTotal, std::nullopt);
    EXPECT_EQ(meta.discNumber, 5); // "05"
    EXPECT_EQ(meta.discTotal, std::nullopt);
    EXPECT_EQ(meta.genre, "(17)"); // as stored, not looked up
    // The last plain comment; the later "iTunNORM" data is not a comment to show.
    EXPECT_EQ(meta.comment, "second");
}

TEST(MetadataReader, RepairsCyrillicReadAsLatin1AndKeepsFrench) {
    const TrackMetadata meta = MetadataReader::read(fixture("mojibake.mp3"));
    EXPECT_EQ(meta.title, "Привет, мир");
    EXPECT_EQ(meta.artist, "Café crème");
    EXPECT_EQ(meta.composer, "Чайковский");
}

TEST(MetadataReader, UnreadableFilesGiveNothing) {
    for (const char* name : {"broken.mp3", "not-audio.flac"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(MetadataReader::read(fixture(name)), TrackMetadata{});
    }
    EXPECT_EQ(MetadataReader::read("/nonexistent/folder/song.mp3"), TrackMetadata{});
}

TEST(MetadataReader, ATagWithoutAudioGivesTagsOnly) {
    const TrackMetadata meta = MetadataReader::read(fixture("tag-only.mp3"));
    EXPECT_EQ(meta.title, "Only a tag");
    EXPECT_EQ(meta.albumArtist, "Nobody");
    EXPECT_EQ(meta.duration, std::nullopt);
    EXPECT_EQ(meta.sampleRateHz, std::nullopt);
    EXPECT_EQ(meta.bitrateKbps, std::nullopt);
}

TEST(MetadataReader, AnUntaggedMp3GivesTechnicalDataOnly) {
    const TrackMetadata meta = MetadataReader::read(fixture("plain.mp3"));
    EXPECT_EQ(meta.title, std::nullopt);
    expectNoFrameFields(meta);
    expectOneSecondAt44k(meta);
}

} // namespace
} // namespace orvane
