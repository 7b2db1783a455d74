// Frames of the old tag that the new values do not replace survive a write, in
// ID3v2.3 form.

#include "TagTestSupport.h"
#include "tags/ID3Writer.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using namespace tagtest;

ID3Writer::Tags titled(const std::string& title) {
    ID3Writer::Tags tags;
    tags.title = title;
    return tags;
}

Bytes expectedFile(const Bytes& keptFrames) {
    const Bytes frames = frame23("TIT2", utf16Text("New")) + keptFrames;
    return bytes("ID3") + Bytes{3, 0, 0} + syncsafe(static_cast<std::uint32_t>(frames.size())) +
           frames + fakeAudio();
}

const Bytes kPicture = Bytes{0x00} + bytes("image/png") + Bytes{0x00, 0x03, 0x00} +
                       Bytes{0x89, 'P', 'N', 'G', 0xFF, 0x00, 0xE0};

TEST(ID3WriterKeepsFrames, V23FramesThatTheValuesDoNotCarrySurviveUnchanged) {
    const Bytes apic = frame23("APIC", kPicture);
    const Bytes itunes = frame23("COMM", comment("eng", "iTunNORM", " 0000021C"));
    const Bytes lyrics = frame23("USLT", Bytes{0x00} + bytes("eng") + Bytes{0x00} + bytes("la la"));
    const Bytes gain =
        frame23("TXXX", latin1Text("REPLAYGAIN_TRACK_GAIN") + Bytes{0} + bytes("-6.1 dB"));
    const Bytes priv = frame23("PRIV", bytes("owner") + Bytes{0, 1, 2, 3});
    const Bytes body = frame23("TIT2", latin1Text("Old")) + apic +
                       frame23("TYER", latin1Text("1990")) + frame23("TDAT", latin1Text("0101")) +
                       itunes + frame23("COMM", comment("eng", "", "old comment")) +
                       frame23("COMM", comment("fra", "", "vieux")) + lyrics + gain +
                       frame23("TCON", latin1Text("Rock")) + priv +
                       // asks to be discarded when the tag changes
                       frame23("TXXX", latin1Text("x") + Bytes{0} + bytes("y"), 0x80) +
                       Bytes(32, 0); // padding

    EXPECT_EQ(ID3Writer::rewrite(tag(3, 0, body) + fakeAudio(), titled("New")),
              expectedFile(apic + itunes + lyrics + gain + priv));
}

TEST(ID3WriterKeepsFrames, V24FramesAreConvertedToV23) {
    Bytes bigPicture = kPicture;
    bigPicture.resize(300, 0x61); // syncsafe size 0x00 0x00 0x02 0x2C, not 300 plain
    const Bytes body =
        frame24("TDRC", Bytes{0x03} + bytes("2001")) + frame24("APIC", bigPicture) +
        // UTF-8 is not a v2.3 encoding: UTF-16 with byte-order marks instead.
        frame24("TXXX", Bytes{0x03} + bytes("desc") + Bytes{0} + bytes("value")) +
        // Unsynchronised content (0xFF 0xE0 -> 0xFF 0x00 0xE0) with a data length.
        frame24("PRIV", syncsafe(8) + bytes("ow") + Bytes{0, 0xFF, 0x00, 0xE0, 0xFF, 0x00, 0x00, 1},
                0, 0x03) +
        // Group 7, file-alter and read-only flags.
        frame24("PRIV", Bytes{0x07} + bytes("g") + Bytes{0, 9}, 0x30, 0x40) +
        // Compressed with and without its data length.
        frame24("GEOB", syncsafe(100) + Bytes{0x78, 0x9C, 1, 2}, 0, 0x09) +
        frame24("GEOB", Bytes{0x78, 0x9C, 3, 4}, 0, 0x08) +
        // Discard on tag alteration.
        frame24("PRIV", bytes("gone") + Bytes{0}, 0x40);

    const Bytes kept = frame23("APIC", bigPicture) +
                       frame23("TXXX", Bytes{0x01, 0xFF, 0xFE} + utf16le("desc") +
                                           Bytes{0, 0, 0xFF, 0xFE} + utf16le("value")) +
                       frame23("PRIV", bytes("ow") + Bytes{0, 0xFF, 0xE0, 0xFF, 0x00, 1}) +
                       frame23("PRIV", Bytes{0x07} + bytes("g") + Bytes{0, 9}, 0x60, 0x20) +
                       frame23("GEOB", be32(100) + Bytes{0x78, 0x9C, 1, 2}, 0, 0x80);
    EXPECT_EQ(ID3Writer::rewrite(tag(4, 0, body) + fakeAudio(), titled("New")), expectedFile(kept));
}

TEST(ID3WriterKeepsFrames, V24TagWithPlainFrameSizesIsReadAsWritten) {
    // Some writers put plain integers in v2.4 frame sizes. 256 read as syncsafe would
    // be 128 and cut the picture in two.
    Bytes picture = kPicture;
    picture.resize(256, 0x61);
    const Bytes body = bytes("APIC") + be32(256) + Bytes{0, 0} + picture +
                       frame24("TXXX", Bytes{0x00} + bytes("k") + Bytes{0} + bytes("v"));
    EXPECT_EQ(ID3Writer::rewrite(tag(4, 0, body) + fakeAudio(), titled("New")),
              expectedFile(frame23("APIC", picture) +
                           frame23("TXXX", Bytes{0x00} + bytes("k") + Bytes{0} + bytes("v"))));
}

TEST(ID3WriterKeepsFrames, V23UnsynchronisationAndExtendedHeaderAreUndone) {
    // Body: extended header (size 6 after its size field), then a PRIV frame whose
    // 0xFF 0xE0 is stored unsynchronised.
    const Bytes extended = be32(6) + Bytes(6, 0);
    const Bytes storedPriv =
        bytes("PRIV") + be32(4) + Bytes{0, 0} + bytes("o") + Bytes{0, 0xFF, 0x00, 0xE0};
    const Bytes old = tag(3, 0x80 | 0x40, extended + storedPriv) + fakeAudio();
    EXPECT_EQ(ID3Writer::rewrite(old, titled("New")),
              expectedFile(frame23("PRIV", bytes("o") + Bytes{0, 0xFF, 0xE0})));
}

TEST(ID3WriterKeepsFrames, V22AndDamagedTagsAreReplacedWhole) {
    const Bytes v22Frame = bytes("PIC") + Bytes{0, 0, 4} + Bytes{0, 'P', 'N', 'G'};
    EXPECT_EQ(ID3Writer::rewrite(tag(2, 0, v22Frame) + fakeAudio(), titled("New")),
              expectedFile({}));

    // The second frame claims more bytes than the tag holds: nothing is trusted.
    const Bytes damaged =
        frame23("APIC", kPicture) + bytes("TXXX") + be32(1000) + Bytes{0, 0, 0, 'x'};
    EXPECT_EQ(ID3Writer::rewrite(tag(3, 0, damaged) + fakeAudio(), titled("New")),
              expectedFile({}));

    // A frame id with characters no frame id has.
    const Bytes badId = frame23("APIC", kPicture) + frame23("ap!c", Bytes{1, 2});
    EXPECT_EQ(ID3Writer::rewrite(tag(3, 0, badId) + fakeAudio(), titled("New")), expectedFile({}));
}

} // namespace
} // namespace orvane
