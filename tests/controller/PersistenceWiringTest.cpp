#include "ControllerTestSupport.h"
#include "controller/BackgroundStateStorage.h"

#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

class PersistenceWiringTest : public ::testing::Test {
protected:
    TempFolder files;
};

// A burst of changes is written once, half a second after the last; a flush writes a
// pending save at once, and only then.
TEST_F(PersistenceWiringTest, SavesWaitHalfASecondAfterTheLastChangeOrAFlush) {
    ControllerRig rig(stateWith({}));
    rig->flushPendingSave();
    EXPECT_TRUE(rig.saves().empty());
    for (int i = 1; i <= 10; ++i) {
        rig->setVolume(0.05 * i);
        rig.loop.advance(0.03);
    }
    rig.loop.advance(0.46); // 0.49 s after the last change
    EXPECT_TRUE(rig.saves().empty());
    rig.loop.advance(0.02);
    ASSERT_EQ(rig.saves().size(), 1u);
    EXPECT_DOUBLE_EQ(rig.saves()[0].settings.volume, 0.5);

    rig->setVolume(0.3);
    rig->flushPendingSave();
    rig.loop.advance(3.0);
    ASSERT_EQ(rig.saves().size(), 2u);
    EXPECT_DOUBLE_EQ(rig.saves()[1].settings.volume, 0.3);
}

// Where a gated storage's writes wait until the test opens it, and what they wrote.
// Shared, so that it outlives the storage.
struct WriteGate {
    void waitUntilEntered(int count) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return entered >= count; });
    }
    void open() {
        std::lock_guard lock(mutex);
        isOpen = true;
        changed.notify_all();
    }
    std::vector<double> written() {
        std::lock_guard lock(mutex);
        return volumes;
    }
    std::mutex mutex;
    std::condition_variable changed;
    int entered = 0;
    bool isOpen = false;
    std::vector<double> volumes; // the settings volume of each state written
};

class GatedStorage final : public StateStorage {
public:
    explicit GatedStorage(std::shared_ptr<WriteGate> gate) : gate_(std::move(gate)) {}
    PersistedState load() override { return stateWith({}); }
    bool save(PersistedState state) override {
        std::unique_lock lock(gate_->mutex);
        ++gate_->entered;
        gate_->changed.notify_all();
        gate_->changed.wait(lock, [this] { return gate_->isOpen; });
        gate_->volumes.push_back(state.settings.volume);
        return true;
    }
    bool saveResume(const ResumePoint&) override { return true; }

private:
    std::shared_ptr<WriteGate> gate_;
};

PersistedState stateAtVolume(double volume) {
    PersistedState state = stateWith({});
    state.settings.volume = volume;
    return state;
}

// Saves made while a write is under way coalesce into the newest; flush waits for it,
// and so does destruction.
TEST(BackgroundStateStorageTest, SavesDuringAWriteCoalesceAndFlushAndDestructionWriteTheNewest) {
    auto gate = std::make_shared<WriteGate>();
    {
        BackgroundStateStorage storage(std::make_unique<GatedStorage>(gate));
        EXPECT_TRUE(storage.save(stateAtVolume(0.1)));
        gate->waitUntilEntered(1); // the writer is busy with 0.1
        storage.save(stateAtVolume(0.2));
        storage.save(stateAtVolume(0.3));
        gate->open();
        storage.flush();
        EXPECT_EQ(gate->written(), (std::vector<double>{0.1, 0.3}));
        EXPECT_EQ(storage.writesCompleted(), 2u);
    }
    auto closing = std::make_shared<WriteGate>();
    {
        BackgroundStateStorage storage(std::make_unique<GatedStorage>(closing));
        storage.save(stateAtVolume(0.1));
        closing->waitUntilEntered(1);
        storage.save(stateAtVolume(0.4));
        closing->open();
    }
    EXPECT_EQ(closing->written(), (std::vector<double>{0.1, 0.4}));
}

// The threads a storage's loads ran on, in order. Shared, so that it outlives the storage.
struct LoadLog {
    std::vector<std::thread::id> threads() {
        std::lock_guard lock(mutex);
        return loaders;
    }
    std::mutex mutex;
    std::vector<std::thread::id> loaders;
};

class LoggedLoadStorage final : public StateStorage {
public:
    explicit LoggedLoadStorage(std::shared_ptr<LoadLog> log) : log_(std::move(log)) {}
    PersistedState load() override {
        std::lock_guard lock(log_->mutex);
        log_->loaders.push_back(std::this_thread::get_id());
        return stateAtVolume(0.1 * static_cast<double>(log_->loaders.size()));
    }
    bool save(PersistedState) override { return true; }
    bool saveResume(const ResumePoint&) override { return true; }

private:
    std::shared_ptr<LoadLog> log_;
};

// Loading ahead reads the state once, on the storage's own thread, and the first load
// takes that state; a later load reads the file again. A storage dropped before anyone
// asked (a second start that hands over to the first) ends all the same.
TEST(BackgroundStateStorageTest, LoadingAheadHandsTheFirstLoadTheStateReadOnItsThread) {
    auto log = std::make_shared<LoadLog>();
    {
        BackgroundStateStorage storage(std::make_unique<LoggedLoadStorage>(log),
                                       BackgroundStateStorage::LoadAhead::yes);
        EXPECT_DOUBLE_EQ(storage.load().settings.volume, 0.1);
        EXPECT_DOUBLE_EQ(storage.load().settings.volume, 0.2);
    }
    const auto threads = log->threads();
    ASSERT_EQ(threads.size(), 2u);
    EXPECT_NE(threads[0], std::this_thread::get_id());
    EXPECT_EQ(threads[1], std::this_thread::get_id());

    auto unasked = std::make_shared<LoadLog>();
    {
        BackgroundStateStorage storage(std::make_unique<LoggedLoadStorage>(unasked),
                                       BackgroundStateStorage::LoadAhead::yes);
    }
    EXPECT_EQ(unasked->threads().size(), 1u);
}

// The stored settings reach the engine and the desktop; nothing is written at the start,
// so a stored "maximum" compressor preset, which starts as "radio", stays in the file
// until something is saved.
TEST_F(PersistenceWiringTest, ConstructionAppliesTheStoredSettingsAndWritesNothing) {
    AppSettings settings;
    settings.compOn = true;
    settings.compPreset = CompressorPreset::maximum;
    settings.eqOn = true;
    settings.eqGains = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}; // the surplus band is ignored
    settings.showWordmarkIcon = true;
    settings.quitOnClose = true;
    settings.gapless = false;
    settings.charFx = CharacterFX::tape;
    settings.tapeWear = 12.0;
    ControllerRig rig(stateWith({}, settings));
    auto& engine = rig.engine();
    EXPECT_TRUE(engine.eqEnabled());
    for (std::size_t band = 0; band < 10; ++band)
        EXPECT_FLOAT_EQ(engine.storedEQGains()[band], static_cast<float>(band + 1));
    EXPECT_FALSE(engine.gaplessEnabled);
    EXPECT_EQ(engine.character().fx, CharacterFX::tape);
    EXPECT_DOUBLE_EQ(engine.character().tapeWear, 12.0);
    EXPECT_EQ(rig.desktop.calls, (std::vector<std::string>{"icon:wordmark", "quit:on"}));
    EXPECT_EQ(rig->settings.get().compPreset, CompressorPreset::radio);
    EXPECT_FALSE(engine.compressorBypassed());
    rig.loop.advance(2.0);
    EXPECT_TRUE(rig.saves().empty());
}

TEST_F(PersistenceWiringTest, TheResumePositionIsCapturedEveryFiveSecondsWhilePlaying) {
    ControllerRig rig(stateWith(files.tracks(1, 20.0)));
    rig->play(rig.id(0));
    rig.run(4.9);
    EXPECT_EQ(rig->resumePosition(), 0.0);
    rig.run(0.1);
    // The position as last published by the engine's 0.2 s tick.
    ASSERT_TRUE(rig->resumePosition());
    EXPECT_GE(*rig->resumePosition(), 4.75);
    EXPECT_LE(*rig->resumePosition(), 5.0);

    // Only the resume point is written, not the whole state.
    rig.run(1.0);
    EXPECT_TRUE(rig.saves().empty());
    ASSERT_FALSE(rig.resumeSaves().empty());
    EXPECT_EQ(rig.resumeSaves().back().position, rig->resumePosition());

    rig->seek(12.5); // a user seek moves the resume point too
    EXPECT_EQ(rig.resumeSaves().back().position, 12.5);
    EXPECT_FALSE(rig->savePending());
}

// Bytes this process has handed to write() so far.
std::uint64_t bytesWritten() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value)
        if (key == "wchar:")
            return value;
    return 0;
}

// With a library of 100,000 tracks, a minute of playback writes the small resume file
// every five seconds and never the whole state; what is on disk at any moment (all a
// kill -9 leaves) resumes at most five seconds back.
TEST_F(PersistenceWiringTest, AMinuteOfPlaybackWithALargeLibraryWritesOnlyTheResumePoint) {
    const auto stateFile = std::filesystem::path(files.path("data")) / "orvane-data.json";
    PersistedState stored = stateWith(files.tracks(1, 90.0));
    for (int i = 0; i < 100000; ++i)
        stored.playlists[0].tracks.emplace_back(Uuid::random(), "/music/" + std::to_string(i),
                                                "Artist", "Title");
    ASSERT_TRUE(Persistence(stateFile).save(stored));
    ControllerRig::Options options;
    options.storage = std::make_unique<FileStateStorage>(stateFile);
    ControllerRig rig(PersistedState{}, std::move(options));
    rig->play(rig.id(0));
    rig.run(1.0);

    const std::uint64_t before = bytesWritten();
    for (const double seconds : {34.9, 25.1}) { // the first ends just before a capture
        rig.run(seconds);
        const PersistedState onDisk = Persistence(stateFile).load();
        ASSERT_TRUE(onDisk.resumePosition);
        EXPECT_GE(*onDisk.resumePosition, rig.engine().currentTime.get() - 5.0);
    }
    EXPECT_LT(bytesWritten() - before, 100'000u);
}

class StartupResumeTest : public PersistenceWiringTest {
protected:
    // Three 8 s tracks, resuming track `index` at `position`.
    PersistedState resuming(std::size_t index, double position, std::vector<Track> list) {
        AppSettings settings;
        settings.resumeOnStartup = true;
        PersistedState state = stateWith(std::move(list), settings);
        state.playlists.emplace_back(Uuid::random(), "Other");
        state.activePlaylistID = state.playlists[1].id;
        state.resumePlaylistID = state.playlists[0].id;
        state.resumeTrackID = state.playlists[0].tracks[index].id;
        state.resumePosition = position;
        return state;
    }
};

TEST_F(StartupResumeTest, TheStoredTrackStartsAndJumpsToItsPosition) {
    ControllerRig rig(resuming(1, 3.3, files.tracks(3, 8.0)));
    EXPECT_EQ(rig.playing(), rig.id(1));
    EXPECT_EQ(rig->activePlaylistID.get(), rig.list().id);
    rig.loop.advance(0.2);
    EXPECT_DOUBLE_EQ(rig.engine().currentTime.get(), 3.3);
    EXPECT_EQ(rig->resumePosition(), 3.3);

    // A deleted track plays nothing.
    auto state = resuming(1, 3.3, files.tracks(3, 8.0));
    state.resumeTrackID = Uuid::random();
    ControllerRig gone(state);
    EXPECT_FALSE(gone.playing());
}

} // namespace
} // namespace orvane::test
