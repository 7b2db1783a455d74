// The bytes the tag writer produces: header, frame layouts, where the old tag ends.

#include "TagTestSupport.h"
#include "tags/ID3Writer.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using namespace tagtest;

Bytes newHeader(std::uint32_t size) {
    return bytes("ID3") + Bytes{3, 0, 0} + syncsafe(size);
}

TEST(ID3WriterBytes, TitleAbGivesTheDocumentedFrame) {
    ID3Writer::Tags tags;
    tags.title = "Ab";
    const Bytes frame = {0x54, 0x49, 0x54, 0x32, 0x00, 0x00, 0x00, 0x07, 0x00,
                         0x00, 0x01, 0xFF, 0xFE, 0x41, 0x00, 0x62, 0x00};
    EXPECT_EQ(ID3Writer::rewrite(fakeAudio(), tags), newHeader(17) + frame + fakeAudio());
}

TEST(ID3WriterBytes, EmptyValuesGiveAnEmptyTagInPlaceOfTheOldOne) {
    const Bytes old = tag(3, 0, frame23("TIT2", latin1Text("Old"))) + fakeAudio();
    ID3Writer::Tags tags;
    tags.trackTotal = 12; // a total without a number writes nothing
    tags.discTotal = 2;
    EXPECT_EQ(ID3Writer::rewrite(old, tags), newHeader(0) + fakeAudio());
}

TEST(ID3WriterBytes, WritesEveryFrameInFixedOrder) {
    ID3Writer::Tags tags;
    tags.title = "T";
    tags.artist = "Ar";
    tags.album = "Al";
    tags.albumArtist = "AA";
    tags.genre = "G";
    tags.year = "1999";
    tags.trackNumber = 5;
    tags.trackTotal = 12;
    tags.discNumber = 1;
    tags.composer = "C";
    tags.comment = " note ";
    const Bytes frames =
        frame23("TIT2", utf16Text("T")) + frame23("TPE1", utf16Text("Ar")) +
        frame23("TALB", utf16Text("Al")) + frame23("TPE2", utf16Text("AA")) +
        frame23("TCON", utf16Text("G")) + frame23("TYER", utf16Text("1999")) +
        frame23("TCOM", utf16Text("C")) +
        frame23("COMM", Bytes{0x01, 'e', 'n', 'g', 0xFF, 0xFE, 0x00, 0x00, 0xFF, 0xFE} +
                            utf16le(" note ")) +
        frame23("TRCK", utf16Text("5/12")) + frame23("TPOS", utf16Text("1"));
    EXPECT_EQ(ID3Writer::rewrite(fakeAudio(), tags),
              newHeader(static_cast<std::uint32_t>(frames.size())) + frames + fakeAudio());
}

TEST(ID3WriterBytes, EncodesNonAsciiAsUtf16WithSurrogatePairs) {
    ID3Writer::Tags tags;
    tags.artist = "Ж𝄞"; // U+0416, U+1D11E
    const Bytes out = ID3Writer::rewrite({}, tags);
    const Bytes expected =
        frame23("TPE1", Bytes{0x01, 0xFF, 0xFE, 0x16, 0x04, 0x34, 0xD8, 0x1E, 0xDD});
    EXPECT_EQ(out, newHeader(static_cast<std::uint32_t>(expected.size())) + expected);
}

TEST(ID3WriterBytes, TagSizeIsSyncsafe) {
    ID3Writer::Tags tags;
    tags.title = std::string(100, 'x'); // 10 + 3 + 200 = 213 bytes of frames
    const Bytes out = ID3Writer::rewrite({}, tags);
    ASSERT_GE(out.size(), 10u);
    EXPECT_EQ(Bytes(out.begin() + 6, out.begin() + 10), (Bytes{0x00, 0x00, 0x01, 0x55}));
    EXPECT_EQ(out.size(), 10u + 213u);
}

TEST(ID3WriterBytes, SkipsTheOldTagWithItsFooter) {
    // A v2.4 tag with the footer flag: 10-byte header, body, 10-byte footer.
    const Bytes body = frame24("TIT2", Bytes{0x03, 'x'});
    const Bytes footer =
        bytes("3DI") + Bytes{4, 0, 0x10} + syncsafe(static_cast<std::uint32_t>(body.size()));
    const Bytes old = tag(4, 0x10, body) + footer + fakeAudio();
    EXPECT_EQ(ID3Writer::rewrite(old, {}), newHeader(0) + fakeAudio());
}

TEST(ID3WriterBytes, KeepsEverythingAfterTheTagIncludingID3v1) {
    Bytes id3v1 = bytes("TAG") + Bytes(125, 0x20);
    const Bytes old = tag(3, 0, frame23("TIT2", latin1Text("Old"))) + fakeAudio() + id3v1;
    const Bytes out = ID3Writer::rewrite(old, {});
    EXPECT_EQ(out, newHeader(0) + fakeAudio() + id3v1);
}

TEST(ID3WriterBytes, FileWithoutTagGetsOneInFrontOfAllItsBytes) {
    // Too short to hold a tag: even "ID3" at the start is audio here.
    const Bytes tiny = bytes("ID3") + Bytes{3, 0, 0, 0, 0, 0};
    EXPECT_EQ(ID3Writer::rewrite(tiny, {}), newHeader(0) + tiny);
    EXPECT_EQ(ID3Writer::rewrite(fakeAudio(), {}), newHeader(0) + fakeAudio());
}

TEST(ID3WriterBytes, TagDeclaredLongerThanTheFileLeavesNoAudio) {
    const Bytes old = bytes("ID3") + Bytes{3, 0, 0} + syncsafe(5000) + fakeAudio();
    EXPECT_EQ(ID3Writer::rewrite(old, {}), newHeader(0));
}

} // namespace
} // namespace orvane
