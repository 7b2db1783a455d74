#include "ControllerTestSupport.h"
#include "tags/MetadataReader.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

class TagSavingTest : public ::testing::Test {
protected:
    // A copy of a tag fixture (scripts/make-tag-fixtures.sh) in the temporary folder.
    std::string copyOf(const std::string& name) {
        const auto from = std::filesystem::path(ORVANE_FIXTURES_DIR) / "tags" / name;
        const auto to = files.path(name);
        std::filesystem::copy_file(from, to);
        return to;
    }
    static ID3Writer::Tags edited() {
        ID3Writer::Tags tags;
        tags.title = "New title";
        tags.artist = "New artist";
        tags.genre = "Jazz";
        tags.trackNumber = 2;
        tags.trackTotal = 9;
        return tags; // album, year, composer, comment empty; no disc numbers
    }
    TempFolder files;
};

TEST_F(TagSavingTest, AnMp3IsWrittenAndItsRecordFollowsTheTags) {
    Track track = makeTrack(copyOf("v23.mp3"), "Old");
    track.album = "Old album";
    track.composer = "Old composer";
    track.discNumber = 1;
    track.duration = 1.0;
    ControllerRig rig(stateWith({track}));

    rig->saveTags(track.id, edited());
    const Track& saved = rig.track(0);
    EXPECT_EQ(saved.title, "New title");
    EXPECT_EQ(saved.artist, "New artist");
    EXPECT_EQ(saved.genre, "Jazz");
    EXPECT_FALSE(saved.album);
    EXPECT_FALSE(saved.composer);
    EXPECT_FALSE(saved.year);
    EXPECT_EQ(saved.trackNumber, 2);
    EXPECT_EQ(saved.trackTotal, 9);
    EXPECT_FALSE(saved.discNumber);
    EXPECT_EQ(saved.duration, 1.0); // not read again
    EXPECT_TRUE(rig->savePending());

    const TrackMetadata file = MetadataReader::read(track.path);
    EXPECT_EQ(file.title, "New title");
    EXPECT_EQ(file.genre, "Jazz");
    EXPECT_FALSE(file.album);
}

TEST_F(TagSavingTest, OtherFilesAreRefusedAndTheRecordStays) {
    const Track track = makeTrack(copyOf("tagged.flac"), "Old");
    ControllerRig rig(stateWith({track}));
    try {
        rig->saveTags(track.id, edited());
        FAIL() << "no error";
    } catch (const TagWriteError& error) {
        EXPECT_STREQ(error.what(), "Tag writing is supported for MP3 files only");
        EXPECT_EQ(error.code(), TagWriteError::NotMp3);
    }
    EXPECT_EQ(rig.track(0), track);
    EXPECT_FALSE(rig->savePending());

    rig->saveTags(Uuid::random(), edited()); // an unknown track: nothing, no error
    EXPECT_FALSE(rig->savePending());
}

} // namespace
} // namespace orvane::test
