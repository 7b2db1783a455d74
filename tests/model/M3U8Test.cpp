#include "model/M3U8.h"

#include "support/ScratchFolder.h"

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using ::testing::ElementsAre;

Track trackAt(std::string path, std::string artist, std::string title,
              std::optional<double> duration) {
    Track track(Uuid::random(), std::move(path), std::move(artist), std::move(title));
    track.duration = duration;
    return track;
}

TEST(M3U8Text, HeaderThenInfoAndPathLinePerTrack) {
    const Playlist playlist(Uuid::random(), "Mix",
                            {trackAt("/m/a.mp3", "A", "T", 185.9),
                             trackAt("/m/b.flac", "", "Only Title", std::nullopt),
                             trackAt("/m/c.wav", "C", "U", 0.99)});
    EXPECT_EQ(m3u8Text(playlist), "#EXTM3U\n"
                                  "#EXTINF:185,A - T\n/m/a.mp3\n"
                                  "#EXTINF:-1,Only Title\n/m/b.flac\n"
                                  "#EXTINF:0,C - U\n/m/c.wav\n");
    EXPECT_EQ(m3u8Text(Playlist(Uuid::random(), "Empty")), "#EXTM3U\n");
}

TEST(ParseM3U8, NameAndEntriesInFileOrder) {
    const std::string bytes = "\xEF\xBB\xBF#EXTM3U\r\n"
                              "#EXTINF:12,Ignored - Name\r\n"
                              "  /abs/one.mp3\t\r\n"
                              "\r\n"
                              "sub/two.mp3\r\n"
                              "# a comment\n"
                              "../up/./three.mp3\rfour.mp3\xE2\x80\xA8"
                              "five.mp3";
    const auto parsed = parseM3U8(bytes, "/lists/Party.m3u8");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->name, "Party");
    EXPECT_THAT(parsed->paths, ElementsAre("/abs/one.mp3", "/lists/sub/two.mp3", "/up/three.mp3",
                                           "/lists/four.mp3", "/lists/five.mp3"));
}

// File URLs are decoded; malformed ones (and other schemes) are relative paths.
TEST(ParseM3U8, FileUrlsAreDecodedAndMalformedOnesAreRelativePaths) {
    const auto parsed = parseM3U8("file:///m/my%20song.mp3\n"
                                  "file://localhost/m/caf%C3%A9.flac\n"
                                  "file:///m/x.mp3?query#fragment\n"
                                  "file:///m/bad%2G.mp3\n"
                                  "http://example.com/a.mp3\n",
                                  "/lists/L.m3u8");
    ASSERT_TRUE(parsed);
    EXPECT_THAT(parsed->paths,
                ElementsAre("/m/my song.mp3", "/m/caf\xC3\xA9.flac", "/m/x.mp3",
                            "/lists/file:/m/bad%2G.mp3", "/lists/http:/example.com/a.mp3"));
}

TEST(ImportM3U8File, KeepsExistingAudioFilesOnly) {
    test::ScratchFolder scratch;
    const std::string two = scratch.write("lists/sub/two.mp3");
    const std::string blank = scratch.write("music/my song.flac");
    const std::string absolute = scratch.write("music/one.wav");
    scratch.write("lists/notes.txt");
    scratch.makeFolder("lists/folder.mp3");
    const std::string list =
        scratch.write("lists/Party.m3u8", "#EXTM3U\r\n"
                                          "#EXTINF:1,x\r\n"
                                          "sub/two.mp3\r\n"
                                          "missing.mp3\r\n"
                                          "notes.txt\r\n"
                                          "folder.mp3\r\n"
                                          "file://" +
                                              scratch.path("music/my%20song.flac") +
                                              "\r\n"
                                              "../music/one.wav\r\n");
    const auto imported = importM3U8File(list);
    ASSERT_TRUE(imported);
    EXPECT_EQ(imported->name, "Party");
    EXPECT_THAT(imported->paths, ElementsAre(two, blank, absolute));
}

// Text that is not UTF-8 is refused rather than guessed at: a wrong guess would name
// files that do not exist.
TEST(ImportM3U8File, UnreadableOrNotUtf8GivesNothing) {
    test::ScratchFolder scratch;
    scratch.write("Caf\xC3\xA9.mp3");
    EXPECT_FALSE(importM3U8File(scratch.write("old.m3u", "Caf\xE9.mp3\n")));
    EXPECT_FALSE(importM3U8File(scratch.path("missing.m3u8")));
}

TEST(WriteM3U8File, ReplacesTheFileAndLeavesNoTemporaryBehind) {
    test::ScratchFolder scratch;
    const std::string song = scratch.write("music/01 - A - T.mp3");
    const std::string list = scratch.write("Mix.m3u8", "old contents");
    const Playlist playlist(Uuid::random(), "Mix", {Track::fromPath(song)});

    ASSERT_TRUE(writeM3U8File(playlist, list));
    EXPECT_EQ(test::readBytes(list), m3u8Text(playlist));
    const auto imported = importM3U8File(list);
    ASSERT_TRUE(imported);
    EXPECT_THAT(imported->paths, ElementsAre(song));

    EXPECT_FALSE(writeM3U8File(playlist, scratch.path("no/such/folder/P.m3u8")));
    const std::string folder = scratch.makeFolder("taken.m3u8");
    EXPECT_FALSE(writeM3U8File(playlist, folder)); // a folder cannot be replaced
    EXPECT_THAT(scratch.names(), ElementsAre("Mix.m3u8", "music", "taken.m3u8"));
}

} // namespace
} // namespace orvane
