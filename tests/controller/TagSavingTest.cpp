#include "ControllerTestSupport.h"
#include "tags/MetadataReader.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

// An MP3 is written and its record follows the tags; other files are refused and their
// record stays.
TEST(TagSavingTest, OnlyMp3FilesAreWrittenAndTheirRecordsFollow) {
    TempFolder files;
    const auto copyOf = [&](const std::string& name) { // a tag fixture
        std::filesystem::copy_file(std::filesystem::path(ORVANE_FIXTURES_DIR) / "tags" / name,
                                   files.path(name));
        return files.path(name);
    };
    Track mp3 = makeTrack(copyOf("v23.mp3"), "Old");
    mp3.album = "Old album";
    mp3.composer = "Old composer";
    mp3.discNumber = 1;
    mp3.duration = 1.0;
    const Track flac = makeTrack(copyOf("tagged.flac"), "Old");
    ControllerRig rig(stateWith({mp3, flac}));
    ID3Writer::Tags edited; // album, year, composer, comment empty; no disc numbers
    edited.title = "New title";
    edited.artist = "New artist";
    edited.genre = "Jazz";
    edited.trackNumber = 2;
    edited.trackTotal = 9;

    try {
        rig->saveTags(flac.id, edited);
        ADD_FAILURE() << "no error";
    } catch (const TagWriteError& error) {
        EXPECT_STREQ(error.what(), "Tag writing is supported for MP3 files only");
        EXPECT_EQ(error.code(), TagWriteError::NotMp3);
    }
    rig->saveTags(Uuid::random(), edited); // an unknown track: nothing, no error
    EXPECT_EQ(rig.track(1), flac);
    EXPECT_FALSE(rig->savePending());

    rig->saveTags(mp3.id, edited);
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

    const TrackMetadata file = MetadataReader::read(mp3.path);
    EXPECT_EQ(file.title, "New title");
    EXPECT_EQ(file.genre, "Jazz");
    EXPECT_FALSE(file.album);
}

} // namespace
} // namespace orvane::test
