#include "MediaTestSupport.h"

namespace orvane::test {
namespace {

// Files that are not audio fail cleanly with a reason; a path is a file name, never an
// FFmpeg URL or protocol; a well-formed file with no samples opens, with nothing to read.
TEST(OpenFailure, NonAudioFailsCleanlyWhileOddNamesAndEmptyStreamsOpen) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.path("folder.mp3"));
    for (const std::string& path :
         {fixture("does-not-exist.mp3"), fixture("not-audio.mp3"), fixture("video-only.mkv"),
          dir.path("folder.mp3"), "concat:" + fixture("sine.wav") + "|" + fixture("sine.wav")}) {
        SCOPED_TRACE(path);
        std::string error;
        EXPECT_EQ(AudioFileReader::open(path, &error), nullptr);
        EXPECT_FALSE(error.empty());
    }

    std::filesystem::copy_file(fixture("sine.wav"), dir.path("subfile:x.wav"));
    auto odd = openOrFail(dir.path("subfile:x.wav"));
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->lengthFrames(), kSineFrames);

    writeWAV(dir.path("silent.wav"), 1, 16, 2, 44100, {});
    auto empty = openOrFail(dir.path("silent.wav"));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->lengthFrames(), 0);
    EXPECT_EQ(readFrames(*empty).frames(), 0);
}

// The first half of an MP3 whose tag describes the whole: it plays up to where it
// breaks, which is its length from the start.
TEST(DamagedFiles, TruncatedFileEndsWhereTheDataEnds) {
    auto reader = openOrFail(fixture("truncated.mp3"));
    ASSERT_TRUE(reader);
    const std::int64_t atOpen = reader->lengthFrames();
    const Audio got = readFrames(*reader);
    EXPECT_EQ(atOpen, got.frames());
    EXPECT_GT(got.frames(), kMarksFrames * 4 / 10);
    EXPECT_LT(got.frames(), kMarksFrames * 6 / 10);
    EXPECT_EQ(reader->lengthFrames(), got.frames());
    EXPECT_EQ(reader->framePosition(), got.frames());

    // The audio up to the break is the intact file's.
    const Audio intact = decodeFile(fixture("marks.mp3"));
    const auto n = static_cast<std::size_t>(got.frames()) - 2000;
    EXPECT_EQ(maxDifference(got.channels[0], 0, intact.channels[0], 0, n), 0.0f);
}

} // namespace
} // namespace orvane::test
