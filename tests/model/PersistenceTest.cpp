#include "model/Persistence.h"

#include "model/StateCodec.h"
#include "support/ScratchFolder.h"

#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;

using test::readBytes;

PersistedState twoPlaylists() {
    PersistedState state;
    state.playlists.emplace_back(Uuid::random(), "One");
    state.playlists.emplace_back(Uuid::random(), "Two",
                                 std::vector<Track>{Track(Uuid::random(), "/x.mp3", "A", "T")});
    state.activePlaylistID = state.playlists[1].id;
    state.settings.volume = 0.25;
    return state;
}

class PersistenceTest : public ::testing::Test {
protected:
    // The state a fresh start with `bytes` in the file begins with.
    PersistedState loadFrom(std::string_view bytes) {
        scratch_.write("Orvane/orvane-data.json", bytes);
        return Persistence(file_).load();
    }

    test::ScratchFolder scratch_;
    const fs::path root_ = scratch_.root();
    const fs::path file_ = root_ / "Orvane" / "orvane-data.json";
};

TEST_F(PersistenceTest, DataUrlFollowsXdgDataHomeElseHome) {
    const std::string savedXdg = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    const fs::path fromXdg = Persistence::dataURL();
    ::setenv("XDG_DATA_HOME", "relative/ignored", 1);
    ::setenv("HOME", (root_ / "home").c_str(), 1);
    const fs::path fromHome = Persistence::dataURL();
    savedXdg.empty() ? ::unsetenv("XDG_DATA_HOME") : ::setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
    ::setenv("HOME", savedHome.c_str(), 1);

    EXPECT_EQ(fromXdg, root_ / "data" / "Orvane" / "orvane-data.json");
    EXPECT_EQ(fromHome, root_ / "home" / ".local" / "share" / "Orvane" / "orvane-data.json");
    EXPECT_TRUE(fs::is_directory(fromXdg.parent_path()));
    EXPECT_TRUE(fs::is_directory(fromHome.parent_path()));
}

TEST_F(PersistenceTest, StartStateFromStoredFile) {
    PersistedState stored = twoPlaylists();
    stored.activePlaylistID.reset();
    const PersistedState loaded = loadFrom(*toJson(stored));
    EXPECT_EQ(loaded.activePlaylistID, stored.playlists[0].id);
    EXPECT_EQ(loaded.settings.volume, 0.25);

    stored.activePlaylistID = Uuid::random(); // names no playlist: kept as it is
    EXPECT_EQ(loadFrom(*toJson(stored)), stored);

    // No playlists: the fresh state (one empty "Playlist 1", default settings), which a
    // readable file does not make a copy of.
    Persistence emptyList(file_);
    scratch_.write("Orvane/orvane-data.json", R"({"playlists":[],"settings":{"volume":0.1}})");
    const PersistedState fresh = emptyList.load();
    PersistedState expected;
    expected.playlists.emplace_back(fresh.playlists.at(0).id, "Playlist 1");
    expected.activePlaylistID = expected.playlists[0].id;
    EXPECT_EQ(fresh, expected);
    ASSERT_TRUE(emptyList.save(fresh));
    EXPECT_EQ(Persistence(file_).load(), fresh);
    EXPECT_EQ(scratch_.names("Orvane"), std::vector<std::string>{"orvane-data.json"});
}

TEST_F(PersistenceTest, UnreadableFileIsKeptOnceBeforeTheFirstSave) {
    const std::string truncated = toJson(twoPlaylists())->substr(0, 60);
    Persistence persistence(file_);
    EXPECT_EQ(loadFrom(truncated).playlists.at(0).name, "Playlist 1");
    persistence.load();
    EXPECT_TRUE(persistence.foundUnreadableFile());

    PersistedState next = twoPlaylists();
    ASSERT_TRUE(persistence.save(next));
    EXPECT_EQ(readBytes(persistence.unreadableCopyPath()), truncated);
    EXPECT_EQ(Persistence(file_).load(), next);
    next.settings.volume = 0.5;
    ASSERT_TRUE(persistence.save(next));
    EXPECT_EQ(readBytes(persistence.unreadableCopyPath()), truncated) << "copied once per load";
    EXPECT_EQ(scratch_.names("Orvane"),
              (std::vector<std::string>{"orvane-data.json", "orvane-data.json.unreadable"}));

    // A later unreadable file (a playlist id that is no UUID) replaces the older copy.
    const std::string badId = R"({"playlists":[{"id":"1","name":"P","tracks":[]}],"settings":{}})";
    loadFrom(badId);
    ASSERT_TRUE(persistence.load().playlists.size() == 1 && persistence.save(next));
    EXPECT_EQ(readBytes(persistence.unreadableCopyPath()), badId);
    EXPECT_EQ(Persistence(file_).load(), next);
}

// A settings value this version cannot take (a newer version's mode, the wrong type at
// any depth) costs only that setting its default: the other settings and the playlists
// load, and the file counts as readable.
TEST_F(PersistenceTest, ABadSettingCostsOnlyThatSetting) {
    PersistedState stored = twoPlaylists();
    AppSettings& settings = stored.settings;
    settings.pbMode = PlaybackMode::one;
    settings.visualization = VisualizationMode::led;
    settings.gapless = false;
    settings.eqGains = {1, 2, 3};
    settings.customEQPresets = {{"Mine", {1, 2}}};
    settings.outputDeviceUID = "device";
    settings.pan = 0.5;
    settings.compPreset = CompressorPreset::punch; // these two stay good
    settings.eqPreset = "Mine";
    // Each bad value comes after the good one (the last of a repeated key counts).
    const std::pair<std::string, std::string> bad[] = {
        {"pbMode", R"("shuffleAll")"}, {"visualization", "3"},
        {"volume", R"("loud")"},       {"gapless", R"({"on":true})"},
        {"eqGains", R"([1,"two",3])"}, {"customEQPresets", R"({"Mine":[1,2],"Odd":[[1]]})"},
        {"outputDeviceUID", "7"},      {"pan", "[0.5]"},
    };
    std::string json = *toJson(stored);
    ASSERT_TRUE(json.ends_with("}}")) << "the settings end the file";
    for (const auto& [key, value] : bad)
        json.insert(json.size() - 2, ",\"" + key + "\":" + value);
    scratch_.write("Orvane/orvane-data.json", json);

    Persistence persistence(file_);
    const PersistedState loaded = persistence.load();
    EXPECT_FALSE(persistence.foundUnreadableFile());
    PersistedState expected = stored;
    expected.settings = AppSettings{};
    expected.settings.compPreset = CompressorPreset::punch;
    expected.settings.eqPreset = "Mine";
    EXPECT_EQ(loaded, expected);
}

TEST_F(PersistenceTest, RefusedOrFailedSaveLeavesTheOldFile) {
    Persistence persistence(file_);
    persistence.load();
    PersistedState state = twoPlaylists();
    ASSERT_TRUE(persistence.save(state));
    const std::string before = readBytes(file_);

    state.playlists[1].tracks[0].rmsLinear = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(persistence.save(state));
    EXPECT_EQ(readBytes(file_), before);
    EXPECT_EQ(scratch_.names("Orvane"), std::vector<std::string>{"orvane-data.json"});
    state.playlists[1].tracks[0].rmsLinear = 0.5;
    EXPECT_TRUE(persistence.save(state)) << "saving works again";
    EXPECT_EQ(Persistence(file_).load(), state);

    scratch_.write("plain-file");
    EXPECT_FALSE(Persistence(root_ / "plain-file" / "orvane-data.json").save(state));
}

TEST_F(PersistenceTest, LoadingRemovesOnlyTheStaleLeftoversOfKilledSaves) {
    const std::string stale = ".orvane-data.json.0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9.tmp";
    const std::string fresh = ".orvane-data.json.11111111-2222-4333-8444-555555555555.tmp";
    const std::vector<std::string> kept = {
        ".orvane-data.json.not-a-uuid-at-all-but-thirty-six-ch.tmp", // not a name saves make
        ".other.json.0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9.tmp",      // another file's save
        "orvane-data.json"};
    for (const auto& name : {stale, fresh})
        scratch_.write("Orvane/" + name, "{\"playlists\":[");
    for (const auto& name : kept)
        scratch_.write("Orvane/" + name, "x");
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    for (const auto& name : kept)
        fs::last_write_time(file_.parent_path() / name, old);
    fs::last_write_time(file_.parent_path() / stale, old);

    Persistence(file_).load();
    auto expected = kept;
    expected.push_back(fresh); // a save running right now keeps its file
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(scratch_.names("Orvane"), expected);
}

} // namespace
} // namespace orvane
