// Saving the tag editor's values into FLAC, Ogg Vorbis, Opus and MP4 files: what the
// reader reads back, what survives a save, failures; and an MP3 whose comments are all
// player data. (The refusal of other kinds: the controller's tag saving test.)

#include "tags/TagWriter.h"

#include "TagTestSupport.h"
#include "support/FileSizeLimit.h"
#include "support/ForkedChild.h"
#include "support/PermissionOverrides.h"
#include "tags/EmbeddedPicture.h"
#include "tags/ID3v2Frames.h"
#include "tags/ID3v2Text.h"
#include "tags/MetadataReader.h"

#include <fileref.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tpropertymap.h>

// The expected tags name only the fields they set; the rest stay empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace orvane {
namespace {

using namespace tagtest;
namespace fs = std::filesystem;

// The files, and the field of each that Orvane does not edit.
const std::pair<const char*, const char*> kWritable[] = {
    {"full.flac", "MOOD"}, {"full.ogg", "MOOD"}, {"full.opus", "MOOD"}, {"full.m4a", "LYRICS"}};

TrackMetadata tagsOf(const fs::path& path) {
    TrackMetadata meta = MetadataReader::read(path);
    EXPECT_TRUE(meta.duration.has_value());
    meta.duration.reset();
    meta.bitrateKbps.reset();
    meta.sampleRateHz.reset();
    return meta;
}

TagLib::StringList property(const fs::path& path, const char* key) {
    return TagLib::FileRef(path.c_str(), false).file()->properties()[key];
}

TEST(TagWriter, EditedFieldsReadBackAndEverythingElseStays) {
    for (const auto& [name, unknownKey] : kWritable) {
        SCOPED_TRACE(name);
        test::ScratchFolder dir;
        // Upper case, and M4B for the MP4 file: the extension decides, in any case.
        std::string copy = name;
        if (copy == "full.m4a")
            copy = "book.M4B";
        const fs::path path = dir / copy;
        fs::copy_file(fixture(name), path);
        ::chmod(path.c_str(), 0640);
        const auto picture = readEmbeddedPicture(path);
        ASSERT_TRUE(picture.has_value());
        const TagLib::StringList unknown = property(path, unknownKey);
        ASSERT_FALSE(unknown.isEmpty());

        TagValues tags;
        tags.title = "Título";
        tags.artist = "Артист";
        tags.album = "New album";
        tags.albumArtist = "Various";
        tags.genre = "Jazz";
        tags.year = "2024-05-06";
        tags.trackNumber = 5;
        tags.trackTotal = 12;
        tags.discNumber = 1;
        tags.composer = "Someone";
        tags.comment = "Mine";
        TagWriter::writeTags(path, tags);
        // clang-format off
        EXPECT_EQ(tagsOf(path), (TrackMetadata{.artist = tags.artist, .title = tags.title,
            .album = tags.album, .albumArtist = tags.albumArtist, .genre = tags.genre,
            .year = tags.year, .trackNumber = 5, .trackTotal = 12, .discNumber = 1,
            .composer = tags.composer, .comment = tags.comment}));
        // clang-format on
        EXPECT_EQ(readEmbeddedPicture(path)->data, picture->data);
        EXPECT_EQ(property(path, unknownKey), unknown);
        EXPECT_EQ(dir.names(), std::vector<std::string>{copy});
        EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));

        // Cleared fields are gone, under every name the reader knows (the fixtures keep
        // their comment as DESCRIPTION); a total without its number goes too.
        TagValues cleared;
        cleared.title = "Only";
        cleared.trackTotal = 9;
        TagWriter::writeTags(path, cleared);
        EXPECT_EQ(tagsOf(path), (TrackMetadata{.title = "Only"}));
        EXPECT_EQ(readEmbeddedPicture(path)->data, picture->data);
        EXPECT_EQ(property(path, unknownKey), unknown);
    }
}

// Some taggers put an ID3v2 tag in front of a FLAC file; the Vorbis comment is still
// what is written and read.
TEST(TagWriter, AFLACFileWithAnID3TagInFrontIsWritten) {
    test::ScratchFolder dir;
    const fs::path path = dir / "id3.flac";
    writeFile(path, tag(3, 0, frame23("TIT2", latin1Text("Old"))) + readFile(fixture("full.flac")));
    TagWriter::writeTags(path, titled("New"));
    EXPECT_EQ(tagsOf(path), (TrackMetadata{.title = "New"}));
}

void expectRefused(const fs::path& path, const TagValues& tags, TagWriteError::Code code) {
    try {
        TagWriter::writeTags(path, tags);
        ADD_FAILURE() << "no error";
    } catch (const TagWriteError& error) {
        EXPECT_EQ(error.code(), code) << error.what();
    }
}

// A full disk, a read-only folder, or content of another kind than the name says: an
// error, the file as it was and no temporary file.
TEST(TagWriter, AFailedWriteLeavesTheFileAsItWas) {
    for (const auto& [name, unknownKey] : kWritable) {
        SCOPED_TRACE(name);
        test::ScratchFolder dir;
        const fs::path path = dir / name;
        fs::copy_file(fixture(name), path);
        const Bytes original = readFile(path);
        const TagValues tags = titled("New");

        {
            const test::FileSizeLimit limit(original.size() / 2);
            expectRefused(path, tags, TagWriteError::Code::writeFailed);
        }
        EXPECT_EQ(readFile(path), original);
        EXPECT_EQ(dir.names(), std::vector<std::string>{name});

        ::chmod(dir.root().c_str(), 0555);
        const auto outcome = test::runInChild([&]() -> std::string {
            if (!test::dropFilePermissionOverrides())
                return "cannot give up the permission overrides";
            try {
                TagWriter::writeTags(path, tags);
            } catch (const TagWriteError& error) {
                return error.code() == TagWriteError::Code::writeFailed ? "" : error.what();
            }
            return "the write into a read-only folder worked";
        });
        ::chmod(dir.root().c_str(), 0755);
        EXPECT_EQ(outcome.message, "");
        EXPECT_EQ(readFile(path), original);
        EXPECT_EQ(dir.names(), std::vector<std::string>{name});
    }

    // FLAC content under an Ogg name is never written as Ogg.
    test::ScratchFolder dir;
    const fs::path path = dir / "really-flac.ogg";
    fs::copy_file(fixture("full.flac"), path);
    expectRefused(path, titled("New"), TagWriteError::Code::readFailed);
    EXPECT_EQ(readFile(path), readFile(fixture("full.flac")));

    // A damaged Opus file whose comment packet runs past its end: the tag library's
    // save would move bytes beyond the end of memory.
    const Bytes damaged = {
        0x4f, 0x67, 0x67, 0x53, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xc1,
        0x5d, 0x28, 0xff, 0x00, 0x00, 0x00, 0x00, 0xb7, 0xc6, 0x54, 0xb5, 0x01, 0x13, 0x4f, 0x70,
        0x75, 0x73, 0x48, 0x65, 0x61, 0x64, 0x01, 0x02, 0x38, 0x01, 0x80, 0xbb, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x4f, 0x67, 0x67, 0x53, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0xc1, 0x5d, 0x28, 0xff, 0x01, 0x00, 0x00, 0x00, 0xc3, 0x03, 0x43, 0x26, 0x01, 0x3e,
        0x4f, 0x70, 0x75, 0x73, 0x54, 0x61, 0x67, 0x73, 0x0d, 0x00, 0x00, 0x00, 0x4c, 0x61, 0x76,
        0x66, 0x35, 0x39, 0x2e, 0x32, 0x37, 0x2e, 0x31, 0x30, 0x30, 0x01, 0x00, 0x00, 0x00, 0x1d,
        0x00, 0x00, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
        0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x65};
    writeFile(dir / "damaged.opus", damaged);
    TagValues longer = titled("New title");
    longer.artist = "Artist";
    longer.year = "2024";
    longer.trackNumber = 5;
    longer.comment = "note";
    try {
        TagWriter::writeTags(dir / "damaged.opus", longer);
    } catch (const TagWriteError&) {
        EXPECT_EQ(readFile(dir / "damaged.opus"), damaged);
    }
}

// Every comment frame holds player data: no comment is read, and a save of what the
// editor shows keeps them all and adds no comment of its own.
TEST(TagWriter, PlayerDataCommentsAreNoCommentAndSurviveASave) {
    test::ScratchFolder dir;
    const fs::path path = dir / "jukebox.mp3";
    fs::copy_file(fixture("jukebox.mp3"), path);
    const TrackMetadata meta = tagsOf(path);
    EXPECT_EQ(meta, (TrackMetadata{.title = "Jukebox"}));

    const auto comments = [](const fs::path& file) {
        std::vector<std::pair<std::string, std::string>> out;
        const auto tag = id3v2::parseTag(readFile(file));
        if (!tag)
            return out;
        for (const auto& frame : tag->frames) {
            if (frame.id == "COMM") {
                const auto comment = id3v2::commentFrameValue(frame.data);
                out.emplace_back(comment->description, comment->text);
            }
        }
        return out;
    };
    const auto before = comments(path);
    ASSERT_EQ(before.size(), 4u);
    TagValues edited = titled(*meta.title);
    edited.comment = meta.comment.value_or("");
    TagWriter::writeTags(path, edited);
    EXPECT_EQ(comments(path), before);
    EXPECT_EQ(tagsOf(path).comment, std::nullopt);
}

} // namespace
} // namespace orvane
