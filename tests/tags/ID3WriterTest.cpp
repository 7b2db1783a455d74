// The tag writer: the bytes it produces (header, frame layouts, where the old tag ends,
// the frames of the old tag that survive a write, in ID3v2.3 form), and on real files
// replacement, failures and what the reader reads. (Refusal of what is not an MP3: the
// controller's tag saving test.)

#include "tags/ID3Writer.h"

#include "TagTestSupport.h"
#include "support/FileSizeLimit.h"
#include "tags/MetadataReader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

// The expected tags name only the fields they set; the rest stay empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace orvane {
namespace {

using namespace tagtest;
namespace fs = std::filesystem;

Bytes newHeader(std::size_t size) {
    return bytes("ID3") + Bytes{3, 0, 0} + syncsafe(static_cast<std::uint32_t>(size));
}

TEST(ID3WriterBytes, WritesEveryFrameInFixedOrder) {
    // Byte by byte: TIT2, size 7, no flags, UTF-16 with a byte-order mark, "Ab".
    const Bytes ab = {0x54, 0x49, 0x54, 0x32, 0x00, 0x00, 0x00, 0x07, 0x00,
                      0x00, 0x01, 0xFF, 0xFE, 0x41, 0x00, 0x62, 0x00};
    EXPECT_EQ(ID3Writer::rewrite(fakeAudio(), titled("Ab")), newHeader(17) + ab + fakeAudio());

    ID3Writer::Tags tags;
    tags.title = "T";
    tags.artist = "Ar";
    tags.album = "Al";
    tags.albumArtist = "AA";
    tags.genre = "G";
    tags.year = "1999";
    tags.trackNumber = 5;
    tags.trackTotal = 12;
    tags.discNumber = 1;
    tags.composer = "C";
    tags.comment = " note ";
    const Bytes frames =
        frame23("TIT2", utf16Text("T")) + frame23("TPE1", utf16Text("Ar")) +
        frame23("TALB", utf16Text("Al")) + frame23("TPE2", utf16Text("AA")) +
        frame23("TCON", utf16Text("G")) + frame23("TYER", utf16Text("1999")) +
        frame23("TCOM", utf16Text("C")) +
        frame23("COMM", Bytes{0x01, 'e', 'n', 'g', 0xFF, 0xFE, 0x00, 0x00, 0xFF, 0xFE} +
                            utf16le(" note ")) +
        frame23("TRCK", utf16Text("5/12")) + frame23("TPOS", utf16Text("1"));
    EXPECT_EQ(ID3Writer::rewrite(fakeAudio(), tags),
              newHeader(frames.size()) + frames + fakeAudio());

    // Non-ASCII text is UTF-16 with surrogate pairs (U+0416, U+1D11E).
    const Bytes artist =
        frame23("TPE1", Bytes{0x01, 0xFF, 0xFE, 0x16, 0x04, 0x34, 0xD8, 0x1E, 0xDD});
    tags = {};
    tags.artist = "Ж𝄞";
    EXPECT_EQ(ID3Writer::rewrite({}, tags), newHeader(artist.size()) + artist);

    // The tag size is syncsafe: 10 + 3 + 200 = 213 bytes of frames.
    const Bytes out = ID3Writer::rewrite({}, titled(std::string(100, 'x')));
    ASSERT_EQ(out.size(), 10u + 213u);
    EXPECT_EQ(Bytes(out.begin() + 6, out.begin() + 10), (Bytes{0x00, 0x00, 0x01, 0x55}));
}

// Empty values write an empty tag; everything from the old audio start on is kept.
TEST(ID3WriterBytes, TheNewTagReplacesExactlyTheOldOne) {
    const Bytes id3v1 = bytes("TAG") + Bytes(125, 0x20);
    const Bytes v24Body = frame24("TIT2", Bytes{0x03, 'x'});
    const struct {
        const char* name;
        Bytes old;
        Bytes kept;
    } cases[] = {
        {"no tag", fakeAudio(), fakeAudio()},
        {"v2.3 tag", tag(3, 0, frame23("TIT2", latin1Text("Old"))) + fakeAudio(), fakeAudio()},
        {"ID3v1 after the audio",
         tag(3, 0, frame23("TIT2", latin1Text("Old"))) + fakeAudio() + id3v1, fakeAudio() + id3v1},
        {"v2.4 tag with footer",
         tag(4, 0x10, v24Body) + bytes("3DI") + Bytes{4, 0, 0x10} +
             syncsafe(static_cast<std::uint32_t>(v24Body.size())) + fakeAudio(),
         fakeAudio()},
        {"tag longer than the file", newHeader(5000) + fakeAudio(), {}},
    };
    ID3Writer::Tags empty;
    empty.trackTotal = 12; // a total without a number writes nothing
    empty.discTotal = 2;
    for (const auto& c : cases)
        EXPECT_EQ(ID3Writer::rewrite(c.old, empty), newHeader(0) + c.kept) << c.name;
}

const Bytes kPicture = Bytes{0x00} + bytes("image/png") + Bytes{0x00, 0x03, 0x00} +
                       Bytes{0x89, 'P', 'N', 'G', 0xFF, 0x00, 0xE0};

Bytes picture(std::size_t size) {
    Bytes out = kPicture;
    out.resize(size, 0x61);
    return out;
}

TEST(ID3WriterBytes, FramesTheValuesDoNotCarrySurvive) {
    const Bytes apic = frame23("APIC", kPicture);
    const Bytes itunes = frame23("COMM", comment("eng", "iTunNORM", " 0000021C"));
    const Bytes lyrics = frame23("USLT", Bytes{0x00} + bytes("eng") + Bytes{0x00} + bytes("la la"));
    const Bytes gain =
        frame23("TXXX", latin1Text("REPLAYGAIN_TRACK_GAIN") + Bytes{0} + bytes("-6.1 dB"));
    const Bytes priv = frame23("PRIV", bytes("owner") + Bytes{0, 1, 2, 3});
    const Bytes keyValue = Bytes{0x00} + bytes("k") + Bytes{0} + bytes("v");
    const struct {
        const char* name;
        Bytes oldTag;
        Bytes kept;
    } cases[] = {
        {"v2.3: replaced, discarded and kept frames, padding",
         tag(3, 0,
             frame23("TIT2", latin1Text("Old")) + apic + frame23("TYER", latin1Text("1990")) +
                 frame23("TDAT", latin1Text("0101")) + itunes +
                 frame23("COMM", comment("eng", "", "old comment")) +
                 frame23("COMM", comment("fra", "", "vieux")) + lyrics + gain +
                 frame23("TCON", latin1Text("Rock")) + priv +
                 // asks to be discarded when the tag changes
                 frame23("TXXX", latin1Text("x") + Bytes{0} + bytes("y"), 0x80) + Bytes(32, 0)),
         apic + itunes + lyrics + gain + priv},
        {"v2.4 converted",
         tag(4, 0,
             frame24("TDRC", Bytes{0x03} + bytes("2001")) +
                 // syncsafe size 0x00 0x00 0x02 0x2C, not 300 plain
                 frame24("APIC", picture(300)) +
                 // UTF-8 is not a v2.3 encoding: UTF-16 with byte-order marks instead.
                 frame24("TXXX", Bytes{0x03} + bytes("desc") + Bytes{0} + bytes("value")) +
                 // Unsynchronised content (0xFF 0xE0 -> 0xFF 0x00 0xE0) with a data length.
                 frame24("PRIV",
                         syncsafe(8) + bytes("ow") +
                             Bytes{0, 0xFF, 0x00, 0xE0, 0xFF, 0x00, 0x00, 1},
                         0, 0x03) +
                 // Group 7, file-alter and read-only flags.
                 frame24("PRIV", Bytes{0x07} + bytes("g") + Bytes{0, 9}, 0x30, 0x40) +
                 // Compressed with and without its data length.
                 frame24("GEOB", syncsafe(100) + Bytes{0x78, 0x9C, 1, 2}, 0, 0x09) +
                 frame24("GEOB", Bytes{0x78, 0x9C, 3, 4}, 0, 0x08) +
                 // Discard on tag alteration.
                 frame24("PRIV", bytes("gone") + Bytes{0}, 0x40)),
         frame23("APIC", picture(300)) +
             frame23("TXXX", Bytes{0x01, 0xFF, 0xFE} + utf16le("desc") + Bytes{0, 0, 0xFF, 0xFE} +
                                 utf16le("value")) +
             frame23("PRIV", bytes("ow") + Bytes{0, 0xFF, 0xE0, 0xFF, 0x00, 1}) +
             frame23("PRIV", Bytes{0x07} + bytes("g") + Bytes{0, 9}, 0x60, 0x20) +
             frame23("GEOB", be32(100) + Bytes{0x78, 0x9C, 1, 2}, 0, 0x80)},
        // Some writers put plain integers in v2.4 frame sizes. 256 read as syncsafe
        // would be 128 and cut the picture in two.
        {"v2.4 with plain frame sizes",
         tag(4, 0,
             bytes("APIC") + be32(256) + Bytes{0, 0} + picture(256) + frame24("TXXX", keyValue)),
         frame23("APIC", picture(256)) + frame23("TXXX", keyValue)},
        // Extended header (size 6 after its size field), then a PRIV frame whose
        // 0xFF 0xE0 is stored unsynchronised.
        {"v2.3 unsynchronised, extended header",
         tag(3, 0x80 | 0x40,
             be32(6) + Bytes(6, 0) + bytes("PRIV") + be32(4) + Bytes{0, 0} + bytes("o") +
                 Bytes{0, 0xFF, 0x00, 0xE0}),
         frame23("PRIV", bytes("o") + Bytes{0, 0xFF, 0xE0})},
        // A v2.2 or damaged tag is replaced whole: nothing in it is trusted.
        {"v2.2", tag(2, 0, bytes("PIC") + Bytes{0, 0, 4} + Bytes{0, 'P', 'N', 'G'}), {}},
        {"bad frame id", tag(3, 0, frame23("APIC", kPicture) + frame23("ap!c", Bytes{1, 2})), {}},
    };
    for (const auto& c : cases) {
        const Bytes frames = frame23("TIT2", utf16Text("New")) + c.kept;
        EXPECT_EQ(ID3Writer::rewrite(c.oldTag + fakeAudio(), titled("New")),
                  newHeader(frames.size()) + frames + fakeAudio())
            << c.name;
    }
}

TEST(ID3WriterFile, ReplacesTheFileOrTheOneALinkNamesAndLeavesNoTemporaryFile) {
    test::ScratchFolder dir;
    const fs::path path = dir / "Upper.MP3";
    writeFile(path, tag(3, 0, frame23("TIT2", latin1Text("Old"))) + fakeAudio());
    ::chmod(path.c_str(), 0640);

    ID3Writer::Tags tags = titled("New");
    tags.trackNumber = 2;
    ID3Writer::writeTags(path, tags);
    const Bytes once = readFile(path);
    EXPECT_EQ(once, ID3Writer::rewrite(fakeAudio(), tags));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"Upper.MP3"});
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));

    ID3Writer::writeTags(path, tags);
    EXPECT_EQ(readFile(path), once); // the second write replaces the first tag exactly

    // Through a symbolic link, the file it names is written and the link stays.
    fs::create_symlink(path, dir / "link.mp3");
    ID3Writer::writeTags(dir / "link.mp3", titled("Linked"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.mp3"));
    EXPECT_EQ(readFile(path), ID3Writer::rewrite(fakeAudio(), titled("Linked")));
}

// A file that cannot be read, or a write cut short: an error with its cause, and the
// original (if any) untouched with no temporary file left behind.
TEST(ID3WriterFile, FailuresAreReportedAndLeaveTheOriginal) {
    test::ScratchFolder dir;
    try {
        ID3Writer::writeTags(dir / "missing.mp3", titled("New"));
        ADD_FAILURE() << "no error";
    } catch (const TagWriteError& error) {
        EXPECT_EQ(error.code(), TagWriteError::Code::readFailed);
        EXPECT_EQ(error.cause(), std::errc::no_such_file_or_directory);
        EXPECT_NE(std::string(error.what()).find("missing.mp3"), std::string::npos);
    }
    EXPECT_TRUE(dir.names().empty());

    const Bytes original = Bytes(4000, 0x55);
    writeFile(dir / "song.mp3", original);
    try {
        const test::FileSizeLimit limit(2048);
        ID3Writer::writeTags(dir / "song.mp3", titled("New"));
        ADD_FAILURE() << "no error";
    } catch (const TagWriteError& error) {
        EXPECT_EQ(error.code(), TagWriteError::Code::writeFailed);
        EXPECT_EQ(error.cause(), std::errc::file_too_large);
    }
    EXPECT_EQ(dir.names(), std::vector<std::string>{"song.mp3"});
    EXPECT_EQ(readFile(dir / "song.mp3"), original);
}

TEST(ID3WriterFile, WhatIsWrittenIsWhatTheReaderReads) {
    // numbers.mp3 has a described comment (player data) that must not hide the new
    // one; v24.mp3 a v2.4 year (TDRC) that must not outlive the new year.
    for (const char* name : {"numbers.mp3", "v24.mp3"}) {
        SCOPED_TRACE(name);
        test::ScratchFolder dir;
        const fs::path path = dir / name;
        fs::copy_file(fixture(name), path);
        ID3Writer::Tags tags;
        tags.title = "Título";
        tags.artist = "Артист";
        tags.album = "Album";
        tags.albumArtist = "Various";
        tags.genre = "(17)";
        tags.year = "2024";
        tags.trackNumber = 5;
        tags.trackTotal = 12;
        tags.discNumber = 2;
        tags.composer = "Composer";
        tags.comment = "Mine";
        ID3Writer::writeTags(path, tags);

        TrackMetadata meta = MetadataReader::read(path);
        EXPECT_TRUE(meta.duration.has_value());
        meta.duration.reset();
        meta.bitrateKbps.reset();
        meta.sampleRateHz.reset();
        // clang-format off
        const TrackMetadata expected{.artist = tags.artist, .title = tags.title,
            .album = tags.album, .albumArtist = tags.albumArtist, .genre = tags.genre,
            .year = tags.year, .trackNumber = 5, .trackTotal = 12, .discNumber = 2,
            .composer = tags.composer, .comment = "Mine"};
        // clang-format on
        EXPECT_EQ(meta, expected);
    }
}

} // namespace
} // namespace orvane
