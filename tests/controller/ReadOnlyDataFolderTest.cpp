#include "ControllerTestSupport.h"
#include "controller/BackgroundStateStorage.h"
#include "support/ForkedChild.h"
#include "support/PermissionOverrides.h"

#include <cerrno>
#include <mutex>
#include <sstream>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::test {
namespace {

namespace fs = std::filesystem;

// Passes saves through and notes whether each one worked, in a record that outlives
// the storage (the controller owns and destroys it).
class NotingStorage final : public StateStorage {
public:
    struct Record {
        std::mutex mutex;
        std::vector<bool> results;
    };

    NotingStorage(std::unique_ptr<StateStorage> inner, std::shared_ptr<Record> record)
        : inner_(std::move(inner)), record_(std::move(record)) {}
    PersistedState load() override { return inner_->load(); }
    bool save(PersistedState state) override {
        const bool saved = inner_->save(std::move(state));
        std::lock_guard lock(record_->mutex);
        record_->results.push_back(saved);
        return saved;
    }
    bool saveResume(const ResumePoint& point) override { return inner_->saveResume(point); }

private:
    std::unique_ptr<StateStorage> inner_;
    std::shared_ptr<Record> record_;
};

// The user's data folder and state file are read-only (a read-only home, a file the
// user locked). Orvane starts from the file, plays and edits as usual, and its saves
// fail without a word and without touching the file. The controller runs in a child
// that, when it is root, first gives up root's power to write past permissions.
TEST(ReadOnlyDataFolderTest, ThePlayerRunsFromTheStoredStateAndLeavesTheFileUntouched) {
    TempFolder files;
    PersistedState stored = stateWith(files.tracks(2, 4.0));
    stored.playlists.emplace_back(Uuid::random(), "Second");
    stored.settings.volume = 0.6;
    stored.resumePosition = 1.5;
    const fs::path folder = files.root() / "data" / "Orvane";
    const fs::path file = folder / "orvane-data.json";
    ASSERT_TRUE(Persistence(file).save(stored));
    const std::string original = readBytes(file);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);

    const auto outcome = runInChild([&]() -> std::string {
        if (!dropFilePermissionOverrides())
            return "cannot give up the permission overrides";
        const auto probe = folder / "probe";
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd >= 0 || errno != EACCES) {
            if (fd >= 0)
                ::close(fd);
            return "the data folder is still writable: the test proves nothing";
        }

        std::ostringstream failures;
        const auto check = [&failures](bool held, const char* what) {
            if (!held)
                failures << what << "\n";
        };
        const auto saves = std::make_shared<NotingStorage::Record>();
        const auto results = [&saves] {
            std::lock_guard lock(saves->mutex);
            return saves->results;
        };
        {
            ControllerRig::Options options;
            options.storage = std::make_unique<BackgroundStateStorage>(
                std::make_unique<NotingStorage>(std::make_unique<FileStateStorage>(file), saves));
            ControllerRig rig(PersistedState{}, std::move(options));
            check(rig->playlists.get() == stored.playlists, "the stored playlists did not load");
            check(rig->settings.get().volume == 0.6, "the stored settings did not load");

            rig->play(rig.id(1));
            rig.run(0.5);
            check(rig.playing() == rig.id(1) && rig.engine().isPlaying.get() &&
                      rig.engine().currentTime.get() > 0.3,
                  "the stored track does not play");
            rig->setVolume(0.3);
            rig->addPlaylist(std::string("Added"));
            rig->renamePlaylist(rig.list(0).id, "Renamed");
            rig.run(1.0); // the delayed save comes due
            rig->flushPendingSave();
            check(!results().empty(), "no save was attempted");
            check(rig->playlists.get().size() == 3 && rig.list(0).name == "Renamed" &&
                      rig->settings.get().volume == 0.3,
                  "the edits did not hold after the failed save");
            rig.run(0.5);
            check(rig.engine().isPlaying.get() && rig.engine().currentTime.get() > 1.7,
                  "playback stopped after the failed save");
            rig->setVolume(0.4);
            rig->flushPendingSave(); // as on quit
        }
        check(results().size() >= 2, "the change made before quitting was not tried");
        for (const bool saved : results())
            check(!saved, "a save into the read-only folder reported success");
        return failures.str();
    });
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);

    EXPECT_TRUE(outcome.exited && outcome.exitCode == 0)
        << "the player died: signal " << outcome.signal << ", exit code " << outcome.exitCode;
    EXPECT_EQ(outcome.message, "");
    EXPECT_TRUE(readBytes(file) == original) << "the user's file changed";
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"orvane-data.json"});
}

} // namespace
} // namespace orvane::test
