// Which frame fills which field, decoded in every ID3v2 text encoding.

#include "tags/ID3Fields.h"

#include "TagTestSupport.h"
#include "tags/ID3v2Frames.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using namespace tagtest;

TrackMetadata fieldsOf(std::uint8_t major, const Bytes& body) {
    TrackMetadata meta;
    const auto parsed = id3v2::parseTag(tag(major, 0, body));
    EXPECT_TRUE(parsed.has_value());
    if (parsed)
        applyID3Frames(parsed->frames, meta);
    return meta;
}

TEST(ID3Fields, DecodesAllFourEncodings) {
    const TrackMetadata meta = fieldsOf(
        4, frame24("TPE2", Bytes{0x00, 'C', 0xE9, 'c', 'i'}) +                   // ISO-8859-1
               frame24("TCON", Bytes{0x01, 0xFE, 0xFF, 0x04, 0x16, 0x00, '!'}) + // UTF-16, BE mark
               frame24("TCOM", Bytes{0x02, 0x04, 0x16}) +                        // UTF-16BE
               frame24("TYER", Bytes{0x03} + bytes("2\xC3\xA9\xE2\x82\xAC")));   // UTF-8
    EXPECT_EQ(meta.albumArtist, "Céci");
    EXPECT_EQ(meta.genre, "Ж!");
    EXPECT_EQ(meta.composer, "Ж");
    EXPECT_EQ(meta.year, "2é€");
}

TEST(ID3Fields, LaterFramesWinAndEmptyOnesClear) {
    const TrackMetadata meta =
        fieldsOf(3, frame23("TPE2", latin1Text("First")) + frame23("TPE2", latin1Text("Second")) +
                        frame23("TCOM", latin1Text("Gone")) + frame23("TCOM", Bytes{0x00}) +
                        frame23("TRCK", latin1Text("3/12")) + frame23("TPOS", latin1Text("junk")));
    EXPECT_EQ(meta.albumArtist, "Second");
    EXPECT_EQ(meta.composer, std::nullopt);
    EXPECT_EQ(meta.trackNumber, 3);
    EXPECT_EQ(meta.trackTotal, 12);
    EXPECT_EQ(meta.discNumber, std::nullopt);
}

TEST(ID3Fields, DescribedCommentsCountOnlyWhenNoPlainOneExists) {
    EXPECT_EQ(fieldsOf(3, frame23("COMM", comment("eng", "", "plain")) +
                              frame23("COMM", comment("eng", "iTunSMPB", "data")))
                  .comment,
              "plain");
    EXPECT_EQ(fieldsOf(3, frame23("COMM", comment("eng", "note", "a")) +
                              frame23("COMM", comment("deu", "other", "b")))
                  .comment,
              "b");
}

} // namespace
} // namespace orvane
