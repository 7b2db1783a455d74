#include "model/AudioFiles.h"

#include "support/ScratchFolder.h"

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

TEST(CollectAudioFiles, WalksFolderSkippingHiddenAndNonAudio) {
    test::ScratchFolder scratch;
    scratch.write("music/b.mp3");
    scratch.write("music/a.MP3");
    scratch.write("music/.x.mp3");
    scratch.write("music/notes.txt");
    scratch.write("music/.hidden/inside.mp3");
    scratch.write("music/sub/deep/c.flac");
    scratch.makeFolder("music/folder.mp3"); // a folder is never an audio file

    EXPECT_THAT(collectAudioFiles({scratch.path("music")}),
                ElementsAre(scratch.path("music/a.MP3"), scratch.path("music/b.mp3"),
                            scratch.path("music/sub/deep/c.flac")));
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
