#include "ControllerTestSupport.h"
#include "tags/MetadataReader.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

// A file of a kind Orvane writes is written and its record follows the tags; other
// files are refused and their record stays.
TEST(TagSavingTest, WritableFilesAreWrittenAndTheirRecordsFollow) {
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
    const Track wavpack = makeTrack(copyOf("tagged.wv"), "Old");
    ControllerRig rig(stateWith({mp3, wavpack}));
    TagValues edited; // album, year, composer, comment empty; no disc numbers
    edited.title = "New title";
    edited.artist = "New artist";
    edited.genre = "Jazz";
    edited.trackNumber = 2;
    edited.trackTotal = 9;

    const std::string wavpackBytes = readBytes(wavpack.path);
    try {
        rig->saveTags(wavpack.id, edited);
        ADD_FAILURE() << "a WavPack file was written";
    } catch (const TagWriteError& error) {
        EXPECT_EQ(error.code(), TagWriteError::Code::unsupportedFormat);
    }
    EXPECT_EQ(readBytes(wavpack.path), wavpackBytes);
    rig->saveTags(Uuid::random(), edited); // an unknown track: nothing, no error
    EXPECT_EQ(rig.track(1), wavpack);
    EXPECT_FALSE(rig->savePending());

    rig->saveTags(mp3.id, edited);
    Track expected(mp3.id, mp3.path, "New artist", "New title");
    expected.genre = "Jazz";
    expected.trackNumber = 2;
    expected.trackTotal = 9;
    expected.duration = 1.0; // not read again
    EXPECT_EQ(rig.track(0), expected);
    EXPECT_TRUE(rig->savePending());

    const TrackMetadata file = MetadataReader::read(mp3.path);
    EXPECT_EQ(file.title, "New title");
    EXPECT_EQ(file.genre, "Jazz");
    EXPECT_FALSE(file.album);
}

} // namespace
} // namespace orvane::test
