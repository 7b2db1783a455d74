#include "MediaTestSupport.h"

#include <atomic>
#include <thread>

namespace orvane::test {
namespace {

// Files that are not audio fail cleanly with a reason; a path is a file name, never an
// FFmpeg URL or protocol; a well-formed file with no samples opens, with nothing to read.
TEST(OpenFailure, NonAudioFailsCleanlyWhileOddNamesAndEmptyStreamsOpen) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.path("folder.mp3"));
    for (const std::string& path :
         {fixture("does-not-exist.mp3"), fixture("empty.wav"), fixture("not-audio.mp3"),
          fixture("video-only.mkv"), dir.path("folder.mp3"), std::string(),
          "concat:" + fixture("sine.wav") + "|" + fixture("sine.wav")}) {
        SCOPED_TRACE(path);
        std::string error;
        EXPECT_EQ(AudioFileReader::open(path, &error), nullptr);
        EXPECT_FALSE(error.empty());
    }

    std::filesystem::copy_file(fixture("sine.wav"), dir.path("subfile:x.wav"));
    auto odd = openOrFail(dir.path("subfile:x.wav"));
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->lengthFrames(), kSineFrames);

    writeWav(dir.path("silent.wav"), 1, 16, 2, 44100, {});
    auto empty = openOrFail(dir.path("silent.wav"));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->lengthFrames(), 0);
    EXPECT_EQ(empty->channelCount(), 2);
    EXPECT_EQ(empty->sampleRate(), 44100.0);
    EXPECT_EQ(readFrames(*empty).frames(), 0);
    EXPECT_TRUE(empty->seek(0));
}

// The first half of an MP3 whose tag describes the whole: it plays up to where it
// breaks, and the length then says so.
TEST(DamagedFiles, TruncatedFileEndsWhereTheDataEnds) {
    auto reader = openOrFail(fixture("truncated.mp3"));
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->lengthFrames(), kMarksFrames) << "what the tag promises";
    const Audio got = readFrames(*reader);
    EXPECT_GT(got.frames(), kMarksFrames * 4 / 10);
    EXPECT_LT(got.frames(), kMarksFrames * 6 / 10);
    EXPECT_EQ(reader->lengthFrames(), got.frames());
    EXPECT_EQ(reader->framePosition(), got.frames());

    // The audio up to the break is the intact file's.
    const Audio intact = decodeFile(fixture("marks.mp3"));
    const auto n = static_cast<std::size_t>(got.frames()) - 2000;
    EXPECT_EQ(maxDifference(got.channels[0], 0, intact.channels[0], 0, n), 0.0f);
}

// Foreign bytes over 16 KiB in the middle of an MP3: reading terminates, and the
// decoder recovers: the audio before and after the damage is the intact file's. (A
// raw MP3 stream has no timestamps of its own, so the lost frames shorten the file.)
TEST(DamagedFiles, CorruptMiddleIsBoundedAndRecovers) {
    auto reader = openOrFail(fixture("corrupt.mp3"));
    ASSERT_TRUE(reader);
    const Audio got = readFrames(*reader);
    EXPECT_FALSE(reader->hasError());
    EXPECT_EQ(reader->lengthFrames(), got.frames());
    const Audio intact = decodeFile(fixture("marks.mp3"));
    ASSERT_GT(got.frames(), kMarksFrames / 2);
    ASSERT_LT(got.frames(), kMarksFrames);
    EXPECT_EQ(maxDifference(got.channels[0], 0, intact.channels[0], 0, 4 * 44100), 0.0f);

    const std::int64_t lastClick = kClickOffset + 19 * kClickSpacing;
    const std::int64_t found = peakIndex(got.channels[0], got.frames() - 2 * 44100, got.frames());
    const std::int64_t shift = found - lastClick;
    EXPECT_EQ(shift % 1152, 0) << "whole MP3 frames are lost, nothing else";
    EXPECT_EQ(maxDifference(got.channels[0], static_cast<std::size_t>(found - 4000),
                            intact.channels[0], static_cast<std::size_t>(lastClick - 4000), 8000),
              0.0f);
}

// Readers share nothing: opening and decoding on several threads at once gives every
// thread the same samples as a single reader.
TEST(Concurrency, ReadersOnManyThreadsAgree) {
    const char* files[] = {"sine.mp3", "sine.m4a", "sine.flac", "sine.wav"};
    std::vector<Audio> expected;
    for (const char* f : files)
        expected.push_back(decodeFile(fixture(f)));
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round) {
                const auto i = static_cast<std::size_t>((t + round) % 4);
                auto reader = AudioFileReader::open(fixture(files[i]));
                if (reader) {
                    reader->seek(1000);
                    reader->seek(0);
                }
                if (!reader || readFrames(*reader).channels != expected[i].channels)
                    ++mismatches;
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(mismatches, 0);
}

} // namespace
} // namespace orvane::test
