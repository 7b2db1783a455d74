#include "media/Mp3FrameWalk.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace orvane::media {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Headers with the frame sizes their fields give (bodies are zeros, which hold no sync).
struct Kind {
    std::uint32_t header;
    std::size_t bytes;
    int samples;
};
constexpr Kind kLayer3{0xfffb9064, 417, 1152};    // MPEG-1 layer III, 128 kbit/s, 44.1 kHz
constexpr Kind kLayer2{0xfffda004, 626, 1152};    // MPEG-1 layer II, 192 kbit/s, 44.1 kHz
constexpr Kind kLayer1{0xffffc004, 416, 384};     // MPEG-1 layer I, 384 kbit/s, 44.1 kHz
constexpr Kind kMpeg25Mono{0xffe388c4, 576, 576}; // MPEG-2.5 layer III, 64 kbit/s, 8 kHz

void append(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

Bytes frame(const Kind& kind, std::uint32_t header = 0) {
    Bytes out(kind.bytes, 0);
    header = header ? header : kind.header;
    for (int i = 0; i < 4; ++i)
        out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(header >> (24 - 8 * i));
    return out;
}

Bytes frames(const Kind& kind, int count) {
    Bytes out;
    for (int i = 0; i < count; ++i) {
        const Bytes one = frame(kind);
        out.insert(out.end(), one.begin(), one.end());
    }
    return out;
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// Tags whose text holds a valid frame header, which must not count as a frame.
constexpr std::string_view kFalseSync = "\xff\xfb\x90\x64";
Bytes id3v2() {
    Bytes out{'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
    append(out, "TIT2");
    append(out, kFalseSync);
    out.resize(30, ' ');
    return out;
}
Bytes ape() {
    Bytes item{12, 0, 0, 0, 0, 0, 0, 0};
    append(item, "Title");
    item.push_back(0);
    append(item, kFalseSync);
    append(item, " a song.");
    const auto headerOrFooter = [&item](std::uint8_t flags) {
        Bytes out;
        append(out, "APETAGEX");
        const auto size = static_cast<std::uint8_t>(item.size() + 32);
        const std::uint8_t fields[] = {0xd0, 0x07, 0, 0, size, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, flags};
        out.insert(out.end(), std::begin(fields), std::end(fields));
        out.resize(32, 0);
        return out;
    };
    return join({headerOrFooter(0xa0), item, headerOrFooter(0x80)});
}
Bytes id3v1() {
    Bytes out;
    append(out, "TAG");
    append(out, kFalseSync);
    out.resize(128, ' ');
    return out;
}

struct WalkCase {
    const char* name;
    Bytes bytes;
    std::int64_t frames;
    int samplesPerFrame;
    bool infoFrame = false;
    bool truncated = false;
    std::int64_t skipped = 0;
};

std::vector<WalkCase> walkCases() {
    Bytes xing = frame(kLayer3);
    std::copy_n("Info", 4, xing.begin() + 36);
    Bytes cut = frames(kLayer3, 10);
    cut.resize(cut.size() - 100);
    const Bytes junk(300, 'j');
    return {
        {"layer III", frames(kLayer3, 10), 10, 1152},
        {"layer II", frames(kLayer2, 10), 10, 1152},
        {"layer I", frames(kLayer1, 10), 10, 384},
        {"MPEG-2.5 mono", frames(kMpeg25Mono, 10), 10, 576},
        {"tags at both ends", join({id3v2(), id3v2(), frames(kLayer3, 10), ape(), id3v1()}), 10,
         1152},
        {"junk before and between frames",
         join({id3v2(), junk, frames(kLayer3, 4), junk, frames(kLayer3, 6), junk}), 10, 1152, false,
         false, 300},
        {"cut inside the last frame", join({cut, id3v1()}), 10, 1152, false, true},
        {"header frame", join({id3v2(), xing, frames(kLayer3, 9)}), 9, 1152, true},
        // FFmpeg starts where two frames agree in mode too: joint stereo, then stereo.
        {"first frame in another mode",
         join({frame(kLayer3, kLayer3.header ^ 0x40), frames(kLayer3, 9)}), 9, 1152},
    };
}

TEST(Mp3FrameWalk, CountsTheFramesFfmpegDecodes) {
    for (const WalkCase& c : walkCases()) {
        SCOPED_TRACE(c.name);
        const auto walk = walkMp3Frames(c.bytes);
        ASSERT_TRUE(walk);
        EXPECT_EQ(walk->audioFrames, c.frames);
        EXPECT_EQ(walk->samplesPerFrame, c.samplesPerFrame);
        EXPECT_EQ(walk->samples(), c.frames * c.samplesPerFrame);
        EXPECT_EQ(walk->infoFrame, c.infoFrame);
        EXPECT_EQ(walk->truncated, c.truncated);
        EXPECT_EQ(walk->skippedBytes, c.skipped);
    }
}

TEST(Mp3FrameWalk, NothingWithoutTwoFramesInARow) {
    EXPECT_FALSE(walkMp3Frames(Bytes(5000, 0)));
    EXPECT_FALSE(walkMp3Frames(frame(kLayer3)));
    EXPECT_FALSE(walkMp3Frames(join({id3v2(), frame(kLayer3), Bytes(100, 'j'), frame(kLayer3)})));
    EXPECT_FALSE(walkMp3Frames(std::string("/nonexistent/file.mp3")));
}

} // namespace
} // namespace orvane::media
