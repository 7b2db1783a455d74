#include "MediaTestSupport.h"

#include <cstring>

namespace orvane::test {
namespace {

void expectIdentical(const Audio& a, const Audio& b) {
    ASSERT_EQ(a.channels.size(), b.channels.size());
    ASSERT_EQ(a.frames(), b.frames());
    for (std::size_t c = 0; c < a.channels.size(); ++c) {
        const auto mismatch =
            std::mismatch(a.channels[c].begin(), a.channels[c].end(), b.channels[c].begin());
        EXPECT_TRUE(mismatch.first == a.channels[c].end())
            << "channel " << c << " differs at frame " << (mismatch.first - a.channels[c].begin());
    }
}

// The WAV's samples, read here without FFmpeg, are what every lossless container of
// the same source must decode to, bit for bit.
TEST(LosslessContent, EveryContainerDecodesToTheSourceSamples) {
    const Audio source = readWav16(fixture("sine.wav"));
    ASSERT_EQ(source.frames(), kSineFrames);
    for (const char* file : {"sine.wav", "sine.flac", "sine-24.flac", "sine.aiff", "sine.caf"}) {
        SCOPED_TRACE(file);
        expectIdentical(decodeFile(fixture(file)), source);
    }
    const Audio marks = readWav16(fixture("marks.wav"));
    expectIdentical(decodeFile(fixture("marks.flac")), marks);
    // Six different tones: each channel stays in its place.
    expectIdentical(decodeFile(fixture("sine-6ch.wav")), readWav16(fixture("sine-6ch.wav")));
}

// Every integer and float sample format comes out on one scale: full scale is 1.0.
TEST(SampleFormats, IntegerAndFloatSamplesConvertExactly) {
    ScratchDir dir;
    struct Case {
        const char* name;
        int tag;
        int bits;
        std::vector<std::uint8_t> bytes; // two stereo frames
        std::vector<float> left, right;
    };
    auto le = [](std::initializer_list<std::uint32_t> words, int size) {
        std::vector<std::uint8_t> out;
        for (std::uint32_t w : words)
            for (int i = 0; i < size; ++i)
                out.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
        return out;
    };
    auto floatBits = [](float f) {
        std::uint32_t u = 0;
        std::memcpy(&u, &f, 4);
        return u;
    };
    std::vector<std::uint8_t> doubles;
    for (double d : {0.25, -1.0, 0.5, 0.125}) {
        std::uint64_t u = 0;
        std::memcpy(&u, &d, 8);
        for (int i = 0; i < 8; ++i)
            doubles.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
    }
    const std::vector<Case> cases = {
        {"u8", 1, 8, {0x80, 0x00, 0xc0, 0xff}, {0.0f, 0.5f}, {-1.0f, 127.0f / 128.0f}},
        {"s16",
         1,
         16,
         le({0x4000, 0x8000, 0xc000, 0x0001}, 2),
         {0.5f, -0.5f},
         {-1.0f, 1.0f / 32768.0f}},
        {"s24",
         1,
         24,
         le({0x400000, 0x800000, 0xc00000, 0x000001}, 3),
         {0.5f, -0.5f},
         {-1.0f, 1.0f / 8388608.0f}},
        {"s32",
         1,
         32,
         le({0x40000000, 0x80000000, 0xc0000000, 0x00000100}, 4),
         {0.5f, -0.5f},
         {-1.0f, 1.0f / 8388608.0f}},
        {"f32",
         3,
         32,
         le({floatBits(0.25f), floatBits(-1.0f), floatBits(0.5f), floatBits(1.5f)}, 4),
         {0.25f, 0.5f},
         {-1.0f, 1.5f}},
        {"f64", 3, 64, doubles, {0.25f, 0.5f}, {-1.0f, 0.125f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.path(std::string(c.name) + ".wav");
        writeWav(path, c.tag, c.bits, 2, 8000, c.bytes);
        const Audio audio = decodeFile(path);
        ASSERT_EQ(audio.channels.size(), 2u);
        EXPECT_EQ(audio.channels[0], c.left);
        EXPECT_EQ(audio.channels[1], c.right);
    }
}

// Lossy files decode to the source within the codec's error, on the source's timeline:
// each click of the marks file peaks at its own frame, so no delay, priming or
// padding has shifted the audio.
TEST(LossyContent, ClicksStayOnTheirFrames) {
    const Audio source = readWav16(fixture("marks.wav"));
    for (const char* file : {"marks.mp3", "marks.m4a"}) {
        SCOPED_TRACE(file);
        const Audio decoded = decodeFile(fixture(file));
        ASSERT_EQ(decoded.frames(), source.frames());
        for (std::int64_t click = kClickOffset; click < kMarksFrames; click += kClickSpacing) {
            const std::int64_t found =
                peakIndex(decoded.channels[0], std::max<std::int64_t>(click - 400, 0),
                          std::min(click + 400, kMarksFrames));
            EXPECT_EQ(found, click);
        }
    }
}

TEST(LossyContent, DecodedSignalFollowsTheSource) {
    const Audio source = readWav16(fixture("sine.wav"));
    for (const char* file : {"sine.mp3", "sine.m4a"}) {
        SCOPED_TRACE(file);
        const Audio decoded = decodeFile(fixture(file));
        ASSERT_EQ(decoded.frames(), source.frames());
        for (std::size_t c = 0; c < 2; ++c) {
            double signal = 0.0, error = 0.0;
            for (std::size_t i = 0; i < source.channels[c].size(); ++i) {
                const double s = source.channels[c][i];
                const double e = static_cast<double>(decoded.channels[c][i]) - s;
                signal += s * s;
                error += e * e;
            }
            // An offset of one frame would leave 1 kHz at 44.1 kHz only 17 dB.
            EXPECT_GT(10.0 * std::log10(signal / error), 30.0) << "channel " << c;
        }
    }
}

} // namespace
} // namespace orvane::test
