#include "MediaTestSupport.h"
#include "media/FramePlacer.h"

namespace orvane::test {
namespace {

// Files that are not audio fail cleanly with a reason; a path is a file name, never an
// FFmpeg URL or protocol; a well-formed file with no samples opens, with nothing to read.
TEST(OpenFailure, NonAudioFailsCleanlyWhileOddNamesAndEmptyStreamsOpen) {
    ScratchFolder dir;
    std::filesystem::create_directory(dir.path("folder.mp3"));
    for (const std::string& path :
         {fixture("does-not-exist.mp3"), fixture("not-audio.mp3"), fixture("not-audio.opus"),
          fixture("video-only.mkv"), dir.path("folder.mp3"),
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

constexpr std::int64_t kMaxJump = 88200;

// A placement as text, naming only what is set.
std::string text(const media::Placement& p) {
    std::string out;
    for (const auto& [name, value] :
         {std::pair{"silence", p.silence}, {"skip", p.skip}, {"take", p.take}})
        if (value != 0)
            out += std::string(out.empty() ? "" : " ") + name + " " + std::to_string(value);
    return out + (p.late ? " late" : "") + (p.unknown ? " unknown" : "");
}

// Priming, padding and seek preroll are dropped by the reader's exact length and seek
// tests; what only damaged files show is here.
TEST(FramePlacer, GapsBecomeSilenceOverlapsAreDroppedWildJumpsIgnored) {
    media::FramePlacer placer(kMaxJump);
    placer.sync(0);
    placer.place(0, 1000);
    // A rejected packet: the next frame's timestamp is 1000 frames on.
    EXPECT_EQ(text(placer.place(2000, 1000)), "silence 1000 take 1000");
    // Rounding of a frame or two is contiguity, not a gap.
    EXPECT_EQ(text(placer.place(3001, 1000)), "take 1000");
    EXPECT_EQ(placer.next(), 4000);
    // Overlap: the part already delivered is dropped.
    EXPECT_EQ(text(placer.place(3500, 1000)), "skip 500 take 500");
    // A timestamp jump beyond any plausible gap is not trusted.
    EXPECT_EQ(text(placer.place(10'000'000, 1000)), "take 1000");
    EXPECT_EQ(placer.next(), 5500);
    // Frames without timestamps are contiguous.
    placer.place(std::nullopt, 10);
    EXPECT_EQ(placer.next(), 5510);

    // Lowering the end pulls the next frame back.
    placer.setEnd(100);
    EXPECT_EQ(placer.next(), 100);
    EXPECT_TRUE(placer.atEnd());
    EXPECT_EQ(placer.dataEnd(), 100);
}

} // namespace
} // namespace orvane::test
