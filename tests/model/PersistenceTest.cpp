// The state file: where it lives, what a start makes of it, and saves that go wrong:
// refused, killed at any moment, into a full file system, over another user's file.

#include "model/Persistence.h"

#include "model/StateCodec.h"
#include "support/FileSizeLimit.h"
#include "support/ForkedChild.h"
#include "support/ScratchFolder.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

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

// The resume point written every few seconds lives in its own small file; at start the
// newer of it and the state file's own fields wins, and a damaged one is passed over.
TEST_F(PersistenceTest, TheNewerOfTheStateAndTheResumeFileGivesTheResumePoint) {
    Persistence persistence(file_);
    PersistedState stored = twoPlaylists();
    stored.resumePosition = 10.0;
    ASSERT_TRUE(persistence.save(stored));
    const ResumePoint point{stored.playlists[1].id, Uuid::random(), 42.5};
    ASSERT_TRUE(persistence.saveResume(point));
    const auto now = fs::last_write_time(file_);
    fs::last_write_time(file_, now - std::chrono::seconds(5));
    EXPECT_EQ(Persistence(file_).load().resumePoint(), point);

    fs::last_write_time(persistence.resumeFile(), now - std::chrono::seconds(10));
    EXPECT_EQ(Persistence(file_).load().resumePosition, 10.0);

    scratch_.write("Orvane/orvane-resume.json", R"({"resumePosition":)");
    EXPECT_EQ(Persistence(file_).load().resumePosition, 10.0);
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

// A library of several playlists whose tracks carry most kinds of field.
PersistedState library(int playlists, int tracksEach, std::size_t commentLength) {
    PersistedState state;
    for (int p = 0; p < playlists; ++p) {
        std::vector<Track> tracks;
        for (int t = 0; t < tracksEach; ++t) {
            Track track(Uuid::random(),
                        "/music/list " + std::to_string(p) + "/" + std::to_string(t) +
                            " - Song.mp3",
                        "Artist " + std::to_string(t % 7), "Song " + std::to_string(t));
            track.duration = 180.25 + t;
            track.album = "Album \"" + std::to_string(t % 3) + "\"";
            track.trackNumber = t + 1;
            track.peakLinear = 0.5 + 1.0 / (t + 3);
            track.rmsLinear = 0.1 + 1.0 / (t + 7);
            track.comment = std::string(commentLength, static_cast<char>('a' + t % 26));
            tracks.push_back(std::move(track));
        }
        state.playlists.emplace_back(Uuid::random(), "List", std::move(tracks));
    }
    state.activePlaylistID = state.playlists.back().id;
    return state;
}

// The state a writer saves as its `key`-th version of `base`: every playlist and the
// settings carry the key, so a file can only pass for one version when it holds all
// of that version.
PersistedState version(const PersistedState& base, std::int64_t key) {
    PersistedState state = base;
    for (std::size_t i = 0; i < state.playlists.size(); ++i)
        state.playlists[i].name = "List " + std::to_string(i) + " v" + std::to_string(key);
    state.settings.volume = static_cast<double>(key % 1000) / 1000.0;
    state.resumePosition = static_cast<double>(key);
    return state;
}

// Removes the temporary files a killed writer left behind.
void removeLeftovers(const fs::path& folder) {
    for (const auto& name : test::namesIn(folder))
        if (name != "orvane-data.json")
            fs::remove(folder / name);
}

TEST(PersistenceFaultTest, AWriterKilledAtAnyMomentLeavesOneCompleteState) {
    constexpr int kRounds = 200;
    constexpr int kSavesPerChild = 50;
    const std::uint64_t seed = 0x5eed0012;
    std::mt19937_64 random(seed);

    const test::ScratchFolder folder(test::ScratchFolder::Where::memory);
    const fs::path file = folder / "Orvane/orvane-data.json";
    const PersistedState base = library(3, 30, 40);

    // How long one save takes here, to spread the kills over.
    Persistence parentWriter(file);
    const auto before = std::chrono::steady_clock::now();
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(parentWriter.save(version(base, 0)));
    const auto saveTime = (std::chrono::steady_clock::now() - before) / 4;
    std::int64_t onDisk = 0;
    for (int round = 1; round <= kRounds; ++round) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round));
        const std::int64_t firstKey = round * 1000 + 1;
        int reports[2];
        ASSERT_EQ(::pipe(reports), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(reports[0]);
            Persistence writer(file);
            const char ready = 'r';
            (void)!::write(reports[1], &ready, 1);
            for (int j = 0; j < kSavesPerChild; ++j) {
                const char done = writer.save(version(base, firstKey + j)) ? 's' : 'f';
                (void)!::write(reports[1], &done, 1);
            }
            ::_exit(0);
        }
        ::close(reports[1]);
        // The kill comes after 0 to 2 saves have completed plus a busy wait of a
        // pseudo-random length: where it lands varies, what the test expects does not
        // depend on it.
        std::string saves;
        const auto waitFor = 1 + std::uniform_int_distribution<std::size_t>(0, 2)(random);
        char report = 0;
        while (saves.size() < waitFor && ::read(reports[0], &report, 1) == 1)
            saves.push_back(report);
        std::uniform_int_distribution<std::int64_t> spread(0, saveTime.count() * 2);
        const auto killAt =
            std::chrono::steady_clock::now() + std::chrono::steady_clock::duration(spread(random));
        while (std::chrono::steady_clock::now() < killAt) {
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        char buffer[64];
        for (ssize_t n; (n = ::read(reports[0], buffer, sizeof buffer)) > 0;)
            saves.append(buffer, static_cast<std::size_t>(n));
        ::close(reports[0]);
        saves.erase(0, 1); // the child's "ready"
        ASSERT_EQ(saves.find('f'), std::string::npos) << "a save failed before the kill";
        const auto completed = static_cast<std::int64_t>(saves.size());

        Persistence reader(file);
        const PersistedState loaded = reader.load();
        ASSERT_FALSE(reader.foundUnreadableFile()) << "the state file does not decode";
        ASSERT_TRUE(loaded.resumePosition.has_value());
        const auto key = static_cast<std::int64_t>(*loaded.resumePosition);
        // Once a save has returned its state is on disk; the save under way when the
        // kill came may or may not have got there.
        const std::int64_t oldest = completed > 0 ? firstKey + completed - 1 : onDisk;
        ASSERT_TRUE(key == oldest || key == firstKey + completed)
            << "holds version " << key << " after " << completed << " completed saves";
        ASSERT_EQ(loaded, version(base, key)) << "version " << key << " is not whole";
        onDisk = key;
        removeLeftovers(file.parent_path());
    }
}

TEST(PersistenceFaultTest, ASaveIntoAFullFileSystemFailsAndLeavesThePreviousFileWhole) {
    test::ScratchFolder scratch;
    const fs::path file = scratch / "Orvane/orvane-data.json";
    ASSERT_TRUE(Persistence(file).save(version(library(2, 3, 10), 1)));
    const std::string previous = test::readBytes(file);

    // Several pieces of encoded text, so that the limit can strike between and inside
    // writes, and on the very last byte.
    const PersistedState big = version(library(3, 2000, 400), 2);
    const auto size = static_cast<rlim_t>(toJson(big)->size());
    ASSERT_GT(size, rlim_t{2} << 20);
    for (const rlim_t limit : {rlim_t{1}, size / 2, size - 1}) {
        SCOPED_TRACE("file size limit " + std::to_string(limit) + " of " + std::to_string(size));
        const auto outcome = test::runInChild([&]() -> std::string {
            const test::FileSizeLimit full(limit);
            Persistence persistence(file);
            if (persistence.load().resumePosition != 1.0)
                return "the previous file did not load";
            return persistence.save(big) ? "the save reported success" : "";
        });
        EXPECT_TRUE(outcome.exited && outcome.exitCode == 0)
            << "the writer died: signal " << outcome.signal << ", exit code " << outcome.exitCode;
        EXPECT_EQ(outcome.message, "");
        EXPECT_TRUE(test::readBytes(file) == previous) << "the previous file changed";
        EXPECT_EQ(scratch.names(), std::vector<std::string>{"Orvane"});
        EXPECT_EQ(scratch.names("Orvane"), std::vector<std::string>{"orvane-data.json"})
            << "a temporary file is left";
    }
}

// The user and group of an unprivileged account (nobody's, or its usual numbers when
// the password database has no such entry: root may take on any ids).
std::pair<uid_t, gid_t> unprivilegedUser() {
    if (const passwd* nobody = ::getpwnam("nobody"); nobody && nobody->pw_uid != 0)
        return {nobody->pw_uid, nobody->pw_gid};
    return {65534, 65534};
}

// The unreadable state file belongs to another user, so the user running Orvane can
// neither read, link nor copy it (the kernel's protected_hardlinks forbids the link; where
// that is off, the link keeps it instead). It is moved aside under its keeping name and
// every save goes through; when something else holds that name, the saves replace it.
// The saves run in a child that is an unprivileged user.
TEST(PersistenceFaultTest, AnUnreadableFileOfAnotherUserNeverBlocksSaving) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to own the state file and then save as another user";
    const uid_t uid = unprivilegedUser().first;
    const gid_t gid = unprivilegedUser().second;
    for (const bool nameTaken : {false, true}) {
        SCOPED_TRACE(nameTaken ? "keeping name taken by a folder" : "keeping name free");
        test::ScratchFolder scratch;
        fs::permissions(scratch.root(), fs::perms::others_exec, fs::perm_options::add);
        const fs::path folder = scratch.makeFolder("Orvane");
        ASSERT_EQ(::chown(folder.c_str(), uid, gid), 0);
        const fs::path file = folder / "orvane-data.json";
        const fs::path kept = folder / "orvane-data.json.unreadable";
        const std::string theirs = "{\"playlists\":[{\"id\":"; // a newer or damaged file
        scratch.write("Orvane/orvane-data.json", theirs);
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
        if (nameTaken)
            scratch.write("Orvane/orvane-data.json.unreadable/something");
        const PersistedState first = version(library(2, 3, 10), 1);
        const PersistedState second = version(first, 2);

        const auto outcome = test::runInChild([&]() -> std::string {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                return "cannot become the unprivileged user";
            if (::access(file.c_str(), R_OK) == 0)
                return "the state file is readable: the test proves nothing";
            Persistence persistence(file);
            persistence.load();
            if (!persistence.foundUnreadableFile())
                return "the state file did not count as unreadable";
            if (!persistence.save(first) || !persistence.save(second))
                return "a save was dropped";
            return Persistence(file).load() == second ? "" : "the saved state does not load";
        });
        EXPECT_TRUE(outcome.exited && outcome.exitCode == 0)
            << "the saver died: signal " << outcome.signal << ", exit code " << outcome.exitCode;
        EXPECT_EQ(outcome.message, "");
        EXPECT_EQ(scratch.names("Orvane"),
                  (std::vector<std::string>{"orvane-data.json", "orvane-data.json.unreadable"}));
        if (nameTaken)
            EXPECT_EQ(scratch.names("Orvane/orvane-data.json.unreadable"),
                      std::vector<std::string>{"something"});
        else if (fs::is_regular_file(kept))
            EXPECT_EQ(test::readBytes(kept), theirs);
        else
            ADD_FAILURE() << "the unreadable file was not kept";
    }
}

} // namespace
} // namespace orvane
