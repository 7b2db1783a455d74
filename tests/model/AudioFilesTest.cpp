// Audio files: collected from what the user gives, sorted, and read from and written to
// M3U8 playlists.

#include "model/AudioFiles.h"

#include "model/M3U8.h"
#include "support/ScratchFolder.h"

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;
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

TEST(ParseM3U8, NameAndEntriesInFileOrderWithFileUrlsDecoded) {
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

    // File URLs are decoded; malformed ones (and other schemes) are relative paths.
    const auto urls = parseM3U8("file:///m/my%20song.mp3\n"
                                "file://localhost/m/caf%C3%A9.flac\n"
                                "file:///m/x.mp3?query#fragment\n"
                                "file:///m/bad%2G.mp3\n"
                                "http://example.com/a.mp3\n",
                                "/lists/L.m3u8");
    ASSERT_TRUE(urls);
    EXPECT_THAT(urls->paths,
                ElementsAre("/m/my song.mp3", "/m/caf\xC3\xA9.flac", "/m/x.mp3",
                            "/lists/file:/m/bad%2G.mp3", "/lists/http:/example.com/a.mp3"));
}

TEST(ImportM3U8File, KeepsExistingAudioFilesOnlyAndRefusesWhatIsNotUtf8) {
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

    // Text that is not UTF-8 is refused rather than guessed at: a wrong guess would name
    // files that do not exist.
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

TEST(CollectAudioFiles, WalksFolderSkippingHiddenAndNonAudio) {
    test::ScratchFolder scratch;
    scratch.write("music/b.mp3");
    scratch.write("music/a.MP3");
    scratch.write("music/.x.mp3");
    scratch.write("music/notes.txt");
    scratch.write("music/.hidden/inside.mp3");
    scratch.write("music/sub/deep/c.flac");
    scratch.write("music/sub/d.ogg");
    scratch.write("music/sub/e.OPUS");
    scratch.write("music/sub/f.ogx");
    scratch.makeFolder("music/folder.mp3"); // a folder is never an audio file

    EXPECT_THAT(collectAudioFiles({scratch.path("music")}),
                ElementsAre(scratch.path("music/a.MP3"), scratch.path("music/b.mp3"),
                            scratch.path("music/sub/d.ogg"), scratch.path("music/sub/deep/c.flac"),
                            scratch.path("music/sub/e.OPUS")));
}

// Given files count by their extension, even when hidden; each path appears once, at
// its sorted place, absolute and normalised.
TEST(CollectAudioFiles, GivenItemsAreTakenOnceByExtensionAbsoluteAndNormalised) {
    test::ScratchFolder scratch;
    const std::string hidden = scratch.write(".secret.wav");
    const std::string b = scratch.write("d/b.mp3");
    const std::string a = scratch.write("d/a.mp3");
    const std::string z = scratch.write("z.mp3");
    EXPECT_THAT(collectAudioFiles({hidden, scratch.write("readme.txt"), scratch.path("gone.mp3"),
                                   scratch.path("gone"), ""}),
                ElementsAre(hidden));
    EXPECT_THAT(collectAudioFiles({z, b, scratch.path("d"), b, scratch.path("d/")}),
                ElementsAre(a, b, z));
    EXPECT_THAT(collectAudioFiles({scratch.path("d/./x/../a.mp3")}), ElementsAre(a));
}

TEST(CollectAudioFiles, FollowsGivenFolderLinkButNotLinksInside) {
    test::ScratchFolder scratch;
    const std::string real = scratch.write("real/one.mp3");
    scratch.write("elsewhere/two.mp3");
    fs::create_directory_symlink(scratch.path("real"), scratch.path("link"));
    fs::create_directory_symlink(scratch.path("elsewhere"), scratch.path("real/to-elsewhere"));
    fs::create_directory_symlink(scratch.path("real"), scratch.path("real/loop"));
    fs::create_symlink(scratch.path("elsewhere/two.mp3"), scratch.path("real/linked.mp3"));
    fs::create_symlink(scratch.path("nowhere.mp3"), scratch.path("real/dangling.mp3"));

    EXPECT_THAT(collectAudioFiles({scratch.path("link")}),
                ElementsAre(scratch.path("link/linked.mp3"), scratch.path("link/one.mp3")));
}

TEST(SortPathsNaturally, OrdersLikeTheFileBrowser) {
    std::vector<std::string> paths{"/m/b 10.mp3",     "/m/B 9.mp3", "/m/a.mp3",
                                   "/m/\xC3\xA9.mp3", "/m/e.mp3",   "/m/\xFF.mp3"};
    sortPathsNaturally(paths);
    // Accents count after letters (é after e); a byte that is not UTF-8 sorts as U+FFFD.
    EXPECT_THAT(paths, ElementsAre("/m/a.mp3", "/m/B 9.mp3", "/m/b 10.mp3", "/m/e.mp3",
                                   "/m/\xC3\xA9.mp3", "/m/\xFF.mp3"));
}

} // namespace
} // namespace orvane
