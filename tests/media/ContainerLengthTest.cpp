#include "media/ContainerLength.h"

#include "media/AudioFileReader.h"
#include "media/ContainerProbe.h"
#include "media/MediaTestSupport.h"

#include <filesystem>
#include <set>
#include <string>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

using media::ContainerLength;
using media::readContainerLength;

// Whenever the headers answer, the answer is the decoder's: a scan that skips the
// decoder must show the length playback will have.
void expectDecoderAgrees(const std::string& path, const ContainerLength& fast, bool exact = true) {
    const auto reader = AudioFileReader::open(path);
    ASSERT_NE(reader, nullptr) << path;
    EXPECT_EQ(fast,
              (ContainerLength{reader->lengthFrames(), static_cast<int>(reader->sampleRate())}))
        << path;
    EXPECT_EQ(reader->isLengthExact(), exact) << path;
}

// Runs `lengthOf` over every fixture and compares each answer with the decoder's;
// returns the names (folder/file) of the files it answered for.
template <class LengthOf>
std::set<std::string> compareOnEveryFixture(const LengthOf& lengthOf, bool exact) {
    std::set<std::string> answered;
    for (const char* folder : {"", "engine", "tags", "analysis"}) {
        for (const auto& entry : std::filesystem::directory_iterator(fixture(folder))) {
            if (!entry.is_regular_file() || entry.path().extension() == ".frames")
                continue;
            const std::string path = entry.path().native();
            const std::optional<ContainerLength> fast = lengthOf(path);
            if (!fast)
                continue;
            answered.insert((std::filesystem::path(folder) / entry.path().filename()).native());
            expectDecoderAgrees(path, *fast, exact);
        }
    }
    return answered;
}

TEST(ContainerLengthReader, AgreesWithTheDecoderOnEveryFixture) {
    const auto answered = compareOnEveryFixture(
        [](const std::string& path) { return readContainerLength(path); }, true);
    // Each format answers from its headers, including files cut short; else the
    // comparison above could pass by never answering.
    for (const char* name :
         {"sine.flac", "sine-24.flac", "sine.wav", "sine-6ch.wav", "sine.aiff", "sine.mp3",
          "sine-notag.mp3", "sine.wv", "sine.tta", "truncated.flac", "truncated.wav",
          "truncated.aiff", "truncated.mp3", "truncated-cbr.mp3", "truncated-vbr.mp3",
          "tags/id3.wav", "tags/id3.aiff", "tags/cover.mp3", "tags/tagged.flac"})
        EXPECT_TRUE(answered.contains(name)) << name;
    // Containers the decoder must settle stay with it.
    for (const char* name : {"empty.wav", "not-audio.mp3", "tags/not-audio.flac",
                             "tags/tag-only.mp3", "tags/broken.mp3"})
        EXPECT_FALSE(answered.contains(name)) << name;
}

// The lengths only the demuxer states are the decoder's estimates at open, exactly.
TEST(ContainerProbe, StatesTheDecodersLengthWhereTheContainerDecidesIt) {
    const auto answered = compareOnEveryFixture(
        [](const std::string& path) -> std::optional<ContainerLength> {
            const auto probe =
                media::ContainerProbe::open(path, media::ContainerProbe::Containers::lengthStating);
            return probe ? probe->statedLength() : std::nullopt;
        },
        false);
    for (const char* name : {"sine.wma", "tags/tagged.wma", "sine.mpc", "marks.mpc", "sine.mka",
                             "marks.mka", "sine-vorbis.mka", "tags/tagged.mka"})
        EXPECT_TRUE(answered.contains(name)) << name;
}

// The estimates AudioFileReader keeps until a read reaches the end, from the headers.
// Musepack's stream header states it for short files too (as empty) and for sample
// counts no fixture has: the count is edited in place, the CRC left as it is, which
// FFmpeg does not check either.
TEST(EstimatedLengthReader, StatesMusepacksEstimateAsTheDecoderDoes) {
    const auto answered = compareOnEveryFixture(
        [](const std::string& path) { return media::readEstimatedLength(path); }, false);
    EXPECT_EQ(answered, (std::set<std::string>{"sine.mpc", "marks.mpc", "tags/tagged.mpc",
                                               "tags/tagged.aac", "sine.wma", "tags/tagged.wma"}));

    ScratchFolder scratch;
    const std::string mpc = readBytes(fixture("tags/tagged.mpc"));
    // "MPCK", the stream header's key and size, CRC, version, then the count (3 bytes).
    ASSERT_EQ(mpc.substr(0, 6), "MPCKSH");
    ASSERT_EQ(mpc[11], 8);
    for (const std::string& count : {std::string("\x89\x80\x00", 3), std::string("\x84\x80\x00", 3),
                                     std::string("\x92\xff\x7f", 3)}) {
        const std::string path =
            scratch.write("count.mpc", mpc.substr(0, 12) + count + mpc.substr(15));
        const auto fast = media::readEstimatedLength(path);
        ASSERT_TRUE(fast.has_value());
        expectDecoderAgrees(path, *fast, false);
    }
    // Another version, and a rate FFmpeg has no value for.
    std::string other = mpc;
    other[11] = 7;
    EXPECT_FALSE(media::readEstimatedLength(scratch.write("v7.mpc", other)));
    other = mpc;
    other[16] = static_cast<char>(0xe0);
    EXPECT_FALSE(media::readEstimatedLength(scratch.write("rate.mpc", other)));
}

// A WMA file's header states the decoder's estimate: its play duration less the preroll.
// Edited in place, the header still answers as the decoder does; where the demuxer might
// take no duration from it (a broadcast, a stated size far from the real one, a preroll
// longer than the play), or where the duration is under a second, the reader leaves the
// answer to the demuxer and the decoder.
TEST(EstimatedLengthReader, StatesWMAsEstimateFromItsHeader) {
    const std::string wma = readBytes(fixture("sine.wma"));
    // The File Properties object follows the Header object's fields; its own fields
    // start after its GUID and size.
    constexpr std::size_t kFields = 30 + 24;
    const auto withField = [&wma](std::size_t offset, std::uint64_t value, int bytes) {
        std::string edited = wma;
        for (int i = 0; i < bytes; ++i)
            edited[kFields + offset + static_cast<std::size_t>(i)] =
                static_cast<char>(value >> (8 * i));
        return edited;
    };
    constexpr std::size_t kStatedSize = 16, kPlayTime = 40, kPreroll = 56, kFlags = 64;
    ASSERT_EQ(readBytes(fixture("sine.wma")).size(), 54844u);

    ScratchFolder scratch;
    const auto answers = [&scratch](const std::string& name, const std::string& bytes) {
        const std::string path = scratch.write(name, bytes);
        const auto fast = media::readEstimatedLength(path);
        if (fast)
            expectDecoderAgrees(path, *fast, false);
        return fast.has_value();
    };
    EXPECT_TRUE(answers("longer.wma", withField(kPlayTime, 91'180'000, 8)));
    EXPECT_TRUE(answers("preroll.wma", withField(kPreroll, 1000, 4)));
    EXPECT_TRUE(answers("near-size.wma", withField(kStatedSize, 54844 + 1000, 8)));
    EXPECT_TRUE(answers("no-size.wma", withField(kStatedSize, 0, 8)));
    EXPECT_FALSE(answers("broadcast.wma", withField(kFlags, 3, 4)));
    EXPECT_FALSE(answers("far-size.wma", withField(kStatedSize, 54844 * 2, 8)));
    EXPECT_FALSE(answers("long-preroll.wma", withField(kPreroll, 7000, 4)));
    EXPECT_FALSE(answers("short.wma", withField(kPlayTime, 35'000'000, 8)));
    // Cut inside the header, or before the data: nothing to read the length from.
    EXPECT_FALSE(answers("header-cut.wma", wma.substr(0, 200)));
    EXPECT_FALSE(answers("data-cut.wma", wma.substr(0, 394 + 30)));
}

// ADTS streams made of the first frames of a longer one, bare and behind an ID3v2 tag:
// up to the 50 frames FFmpeg reads at open the estimate follows from the headers; past
// them, or with the last frame cut short, only the decoder knows it.
TEST(EstimatedLengthReader, StatesTheDecodersEstimateForShortADTSStreams) {
    const std::string whole = readBytes(fixture("sine.aac"));
    std::vector<std::size_t> ends; // where each frame ends
    for (std::size_t at = 0; at + 7 <= whole.size();) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(whole.data()) + at;
        at += static_cast<std::size_t>((p[3] & 3) << 11 | p[4] << 3 | p[5] >> 5);
        ends.push_back(at);
    }
    ASSERT_GT(ends.size(), 51u);
    EXPECT_FALSE(media::readEstimatedLength(fixture("sine.aac")));

    ScratchFolder scratch;
    const std::string id3 = std::string("ID3\x03\x00\x00\x00\x00\x00\x0a", 10) +
                            std::string("TIT2\x00\x00\x00\x00\x00\x00", 10);
    for (const std::string& tag : {std::string(), id3}) {
        for (const std::size_t frames : {3u, 20u, 50u, 51u}) {
            const std::string path = scratch.write(std::to_string(frames) + ".aac",
                                                   tag + whole.substr(0, ends[frames - 1]));
            const auto fast = media::readEstimatedLength(path);
            EXPECT_EQ(fast.has_value(), frames <= 50) << frames;
            if (fast)
                expectDecoderAgrees(path, *fast, false);
        }
        const std::string cut = tag + whole.substr(0, ends[19] - 5);
        EXPECT_FALSE(media::readEstimatedLength(scratch.write("cut.aac", cut)));
    }
}

TEST(ContainerLengthReader, ReadsFLACBehindAnID3TagAndRefusesDamagedHeaders) {
    ScratchFolder scratch;
    const std::string flac = readBytes(fixture("sine.flac"));
    // An ID3v2.4 tag of 20 bytes of padding before "fLaC".
    const std::string id3 =
        std::string("ID3\x04\x00\x00\x00\x00\x00\x14", 10) + std::string(20, '\0');
    const std::string tagged = scratch.write("tagged.flac", id3 + flac);
    const auto fast = readContainerLength(tagged);
    ASSERT_TRUE(fast.has_value());
    expectDecoderAgrees(tagged, *fast);

    // Cut inside the metadata, and a WAV whose data chunk starts at the end of the file.
    EXPECT_FALSE(readContainerLength(scratch.write("head.flac", flac.substr(0, 30))));
    const std::string wav = readBytes(fixture("sine.wav"));
    EXPECT_FALSE(readContainerLength(scratch.write("head.wav", wav.substr(0, 44))));
}

} // namespace
} // namespace orvane::test
