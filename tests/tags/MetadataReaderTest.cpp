// The metadata reader on generated files of every kind (scripts/make-tag-fixtures.sh);
// which ID3v2 frame fills which field, in every text encoding; the repairs of tag text.

#include "tags/MetadataReader.h"

#include "TagTestSupport.h"
#include "tags/ID3Fields.h"
#include "tags/ID3v2Frames.h"
#include "tags/TagText.h"

#include <gtest/gtest.h>

// The expected tags name only the fields they set; the rest stay empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace orvane {
namespace {

using namespace tagtest;
using tagtext::fixMojibake;
using tagtext::parseNumberSlash;

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
        // ID3v2.2 gives only the common tags.
        {"v22.mp3", {.artist = "Artist22", .title = "Title22", .album = "Album22"}, 128},
        // ID3 chunks of WAV files.
        {"id3.wav", {.artist = "WavArtist", .title = "WavTitle", .album = "WavAlbum",
            .albumArtist = "WavAlbumArtist", .trackNumber = 2, .trackTotal = 8}, 1411},
        {"tag-only.mp3", {.title = "Only a tag", .albumArtist = "Nobody"}, 0},
        // Only player data in its comments: no comment at all.
        {"jukebox.mp3", {.title = "Jukebox"}, 128},
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

// Every field from Vorbis comments (FLAC, Ogg, Opus), MP4 atoms, APE tags (WavPack,
// Musepack) and ASF through the tag library, and from the decoder's container metadata
// where the tag library cannot open the file (ADTS, CAF) or misses its tags (Matroska,
// TTA's APEv2).
TEST(MetadataReader, OtherFormatsShowEveryField) {
    // clang-format off
    const TrackMetadata full{.artist = "Artist", .title = "Title", .album = "Album",
        .albumArtist = "AlbumArtist", .genre = "Genre", .year = "2003", .trackNumber = 4,
        .trackTotal = 10, .discNumber = 2, .discTotal = 3, .composer = "Composer",
        .comment = "Comment"};
    // clang-format on
    TrackMetadata withoutDisc = full;
    withoutDisc.discNumber.reset();
    withoutDisc.discTotal.reset();
    const std::pair<const char*, TrackMetadata> cases[] = {
        {"full.flac", full},  {"full.ogg", full},          {"full.opus", full},
        {"full.m4a", full},   {"tagged.m4a", withoutDisc}, {"tagged.wv", full},
        {"tagged.mpc", full}, {"tagged.wma", full},        {"tagged.aac", full},
        {"tagged.caf", full}, {"tagged.mka", withoutDisc}, {"tagged.tta", withoutDisc},
    };
    for (const auto& [file, expected] : cases) {
        SCOPED_TRACE(file);
        TrackMetadata meta = MetadataReader::read(fixture(file));
        meta.duration.reset();
        meta.sampleRateHz.reset();
        meta.bitrateKbps.reset();
        EXPECT_EQ(meta, expected);
    }
}

// The later of TYER and TDRC wins; Cyrillic read as Latin-1 is repaired, French kept.

TEST(MetadataReader, TheLaterYearWinsAndMojibakeIsRepaired) {
    EXPECT_EQ(MetadataReader::read(fixture("tyer-tdrc.mp3")).year, "2005-06-07");
    EXPECT_EQ(MetadataReader::read(fixture("tdrc-tyer.mp3")).year, "1999");
    const TrackMetadata meta = MetadataReader::read(fixture("mojibake.mp3"));
    EXPECT_EQ(meta.title, "Привет, мир");
    EXPECT_EQ(meta.artist, "Café crème");
    EXPECT_EQ(meta.composer, "Чайковский");
}

// The common fields the tag library misses in an MP3 file come from FFmpeg's view of it,
// which reads more than the first ID3v2 tag: a user text frame named like a field, a
// second tag right after the first, an ID3v1 tag. Where there is nothing of the kind,
// the field stays empty.
TEST(MetadataReader, MP3FieldsTheTagLibraryMissesComeFromEveryTagInTheFile) {
    test::ScratchFolder scratch;
    const Bytes audio = readFile(fixture("plain.mp3"));
    const Bytes titled = tag(3, 0, frame23("TIT2", latin1Text("Only")));
    const Bytes userAlbum = frame23("TXXX", Bytes{0} + bytes("ALBUM") + Bytes{0} + bytes("User"));
    Bytes id3v1 = bytes("TAG") + Bytes(125, 0);
    std::copy_n("Old", 3, id3v1.begin() + 63);
    const struct {
        const char* name;
        Bytes content;
        std::optional<std::string> album;
    } cases[] = {
        {"user.mp3", tag(3, 0, frame23("TIT2", latin1Text("Only")) + userAlbum) + audio, "User"},
        {"two.mp3", titled + tag(3, 0, frame23("TALB", latin1Text("Second"))) + audio, "Second"},
        {"v1.mp3", titled + audio + id3v1, "Old"},
        {"none.mp3", titled + audio, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path path = scratch.path(c.name);
        writeFile(path, c.content);
        const TrackMetadata meta = MetadataReader::read(path);
        EXPECT_EQ(meta.title, "Only");
        EXPECT_EQ(meta.album, c.album);
        EXPECT_EQ(meta.sampleRateHz, 44100);
    }
}

TrackMetadata fieldsOf(std::uint8_t major, const Bytes& body) {
    TrackMetadata meta;
    const auto parsed = id3v2::parseTag(tag(major, 0, body));
    EXPECT_TRUE(parsed.has_value());
    if (parsed)
        applyID3Frames(parsed->frames, meta);
    return meta;
}

TEST(ID3Fields, DecodesAllFourEncodings) {
    const TrackMetadata meta = fieldsOf(
        4, frame24("TPE2", Bytes{0x00, 'C', 0xE9, 'c', 'i'}) +                   // ISO-8859-1
               frame24("TCON", Bytes{0x01, 0xFE, 0xFF, 0x04, 0x16, 0x00, '!'}) + // UTF-16, BE mark
               frame24("TCOM", Bytes{0x02, 0x04, 0x16}) +                        // UTF-16BE
               frame24("TYER", Bytes{0x03} + bytes("2\xC3\xA9\xE2\x82\xAC")));   // UTF-8
    EXPECT_EQ(meta.albumArtist, "Céci");
    EXPECT_EQ(meta.genre, "Ж!");
    EXPECT_EQ(meta.composer, "Ж");
    EXPECT_EQ(meta.year, "2é€");
}

// Later frames win and empty ones clear; a described comment counts only when no plain
// one exists, and player data ("iTun...") never.
TEST(ID3Fields, LaterFramesWinEmptyOnesClearAndPlainCommentsComeFirst) {
    const TrackMetadata meta =
        fieldsOf(3, frame23("TPE2", latin1Text("First")) + frame23("TPE2", latin1Text("Second")) +
                        frame23("TCOM", latin1Text("Gone")) + frame23("TCOM", Bytes{0x00}) +
                        frame23("TRCK", latin1Text("3/12")) + frame23("TPOS", latin1Text("junk")) +
                        frame23("COMM", comment("eng", "", "plain")) +
                        frame23("COMM", comment("eng", "iTunSMPB", "data")));
    EXPECT_EQ(meta.albumArtist, "Second");
    EXPECT_EQ(meta.composer, std::nullopt);
    EXPECT_EQ(meta.trackNumber, 3);
    EXPECT_EQ(meta.trackTotal, 12);
    EXPECT_EQ(meta.discNumber, std::nullopt);
    EXPECT_EQ(meta.comment, "plain");
    EXPECT_EQ(fieldsOf(3, frame23("COMM", comment("eng", "note", "a")) +
                              frame23("COMM", comment("deu", "other", "b")) +
                              frame23("COMM", comment("eng", "iTunNORM", "0000021C")))
                  .comment,
              "b");
    EXPECT_EQ(fieldsOf(3, frame23("COMM", comment("eng", "", "plain")) +
                              frame23("COMM", comment("eng", "note", "described")))
                  .comment,
              "plain");
}

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
} // namespace orvane
