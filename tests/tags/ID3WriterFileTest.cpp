// The tag writer on real files: replacement, failures, what the reader reads. (Refusal
// of what is not an MP3: the controller's tag saving test.)

#include "TagTestSupport.h"
#include "support/FileSizeLimit.h"
#include "tags/ID3Writer.h"
#include "tags/MetadataReader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

// The expected tags name only the fields they set; the rest stay empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace orvane {
namespace {

using namespace tagtest;
namespace fs = std::filesystem;

TEST(ID3WriterFile, ReplacesTheFileAndLeavesNoTemporaryFile) {
    ScratchDir dir;
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
}

TEST(ID3WriterFile, WritesThroughASymbolicLink) {
    ScratchDir dir;
    writeFile(dir / "real.mp3", fakeAudio());
    fs::create_symlink(dir / "real.mp3", dir / "link.mp3");
    ID3Writer::writeTags(dir / "link.mp3", titled("New"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.mp3"));
    EXPECT_EQ(readFile(dir / "real.mp3"), ID3Writer::rewrite(fakeAudio(), titled("New")));
}

// A file that cannot be read, or a write cut short: an error with its cause, and the
// original (if any) untouched with no temporary file left behind.
TEST(ID3WriterFile, FailuresAreReportedAndLeaveTheOriginal) {
    ScratchDir dir;
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
        ScratchDir dir;
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
