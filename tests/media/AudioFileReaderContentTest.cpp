#include "MediaTestSupport.h"

#include <bit>

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
    const Audio source = readWAV16(fixture("sine.wav"));
    ASSERT_EQ(source.frames(), kSineFrames);
    for (const char* file : {"sine.wav", "sine.flac", "sine-24.flac", "sine.aiff", "sine.caf",
                             "sine.wv", "sine.tta", "sine.mka"}) {
        SCOPED_TRACE(file);
        expectIdentical(decodeFile(fixture(file)), source);
    }
    const Audio marks = readWAV16(fixture("marks.wav"));
    expectIdentical(decodeFile(fixture("marks.flac")), marks);
    // Decoding frames in parallel, as for the track about to play, changes no sample,
    // after a seek either.
    for (const char* file : {"sine.flac", "sine.wv"}) {
        auto reader = AudioFileReader::open(fixture(file), nullptr, 2);
        ASSERT_NE(reader, nullptr);
        expectIdentical(readFrames(*reader), source);
    }
    auto threaded = AudioFileReader::open(fixture("marks.flac"), nullptr, 2);
    ASSERT_NE(threaded, nullptr);
    ASSERT_TRUE(threaded->seek(441000));
    const Audio tail = readFrames(*threaded);
    ASSERT_EQ(tail.frames(), kMarksFrames - 441000);
    for (std::size_t c = 0; c < tail.channels.size(); ++c)
        EXPECT_TRUE(std::equal(tail.channels[c].begin(), tail.channels[c].end(),
                               marks.channels[c].begin() + 441000));
    // Six different tones: each channel stays in its place.
    expectIdentical(decodeFile(fixture("sine-6ch.wav")), readWAV16(fixture("sine-6ch.wav")));
}

// Every integer and float sample format comes out on one scale: full scale is 1.0.
TEST(SampleFormats, IntegerAndFloatSamplesConvertExactly) {
    struct Case {
        const char* name;
        int tag; // 1 PCM, 3 IEEE float
        int bits;
        std::vector<std::uint64_t> words; // two stereo frames; floats: from the values
        std::vector<double> expected;     // L0 R0 L1 R1
    };
    const Case cases[] = {
        {"u8", 1, 8, {0x80, 0x00, 0xc0, 0xff}, {0.0, -1.0, 0.5, 127.0 / 128.0}},
        {"s24", 1, 24, {0x400000, 0x800000, 0xc00000, 0x1}, {0.5, -1.0, -0.5, 1.0 / 8388608.0}},
        {"f32", 3, 32, {}, {0.25, -1.0, 0.5, 1.5}},
    };
    ScratchFolder dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            const double value = c.expected[i];
            const std::uint64_t word =
                c.tag == 1 ? c.words[i] : std::bit_cast<std::uint32_t>(static_cast<float>(value));
            for (int b = 0; b < c.bits / 8; ++b)
                bytes.push_back(static_cast<std::uint8_t>(word >> (8 * b)));
        }
        const std::string path = dir.path(std::string(c.name) + ".wav");
        writeWAV(path, c.tag, c.bits, 2, 8000, bytes);
        const Audio audio = decodeFile(path);
        ASSERT_EQ(audio.channels.size(), 2u);
        for (std::size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(audio.channels[i % 2][i / 2], static_cast<float>(c.expected[i])) << i;
    }
}

// Lossy files decode to the source within the codec's error, on the source's timeline:
// each click of the marks file peaks at its own frame, so no delay, priming or padding
// has shifted the audio, and the sine stays far closer to its source than a copy one
// frame off would (1 kHz at 44.1 kHz shifted by a frame is only 17 dB away). Vorbis in
// Matroska (marks.mka) and Musepack keep padding at the end that nothing states, but
// they too must start on time.
TEST(LossyContent, DecodesOnTheSourcesTimelineWithinTheCodecsError) {
    const Audio marks = readWAV16(fixture("marks.wav"));
    const Audio sine = readWAV16(fixture("sine.wav"));
    for (const std::string codec : {"mp3", "m4a", "ogg", "mka", "mpc"}) {
        SCOPED_TRACE(codec);
        const bool exactEnd = codec != "mka" && codec != "mpc";
        const Audio clicks = decodeFile(fixture("marks." + codec));
        if (exactEnd)
            ASSERT_EQ(clicks.frames(), marks.frames());
        else
            ASSERT_GE(clicks.frames(), marks.frames());
        for (std::int64_t click = kClickOffset; click < kMarksFrames; click += kClickSpacing)
            EXPECT_EQ(peakIndex(clicks.channels[0], std::max<std::int64_t>(click - 600, 0),
                                std::min(click + 600, kMarksFrames)),
                      click);
        if (!exactEnd)
            continue;

        const Audio decoded = decodeFile(fixture("sine." + codec));
        ASSERT_EQ(decoded.frames(), sine.frames());
        for (std::size_t c = 0; c < 2; ++c) {
            double signal = 0.0, error = 0.0;
            for (std::size_t i = 0; i < sine.channels[c].size(); ++i) {
                const double s = sine.channels[c][i];
                const double e = static_cast<double>(decoded.channels[c][i]) - s;
                signal += s * s;
                error += e * e;
            }
            EXPECT_GT(10.0 * std::log10(signal / error), 30.0) << "channel " << c;
        }
    }
}

} // namespace
} // namespace orvane::test
