#include "ControllerTestSupport.h"
#include "controller/BackgroundStateStorage.h"

#include <condition_variable>
#include <mutex>

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
    rig.loop.advance(3.0);
    EXPECT_EQ(rig.saves().size(), 1u);

    rig->setVolume(0.3);
    rig->flushPendingSave();
    ASSERT_EQ(rig.saves().size(), 2u);
    EXPECT_DOUBLE_EQ(rig.saves()[1].settings.volume, 0.3);
    EXPECT_FALSE(rig->savePending());
    rig.loop.advance(1.0);
    rig->flushPendingSave();
    EXPECT_EQ(rig.saves().size(), 2u);
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

TEST_F(PersistenceWiringTest, AStoredMaximumCompressorPresetStartsAsRadio) {
    PersistedState stored = stateWith({});
    stored.settings.compOn = true;
    stored.settings.compPreset = CompressorPreset::maximum;
    ControllerRig rig(stored);
    EXPECT_EQ(rig->settings.get().compPreset, CompressorPreset::radio);
    EXPECT_FALSE(rig.engine().compressorBypassed());
    EXPECT_EQ(rig->playlists.get(), stored.playlists);
    // Nothing is written at the start: the file keeps "maximum" until something is saved.
    rig.loop.advance(2.0);
    EXPECT_TRUE(rig.saves().empty());
    rig->scheduleSave();
    rig.loop.advance(0.5);
    ASSERT_EQ(rig.saves().size(), 1u);
    EXPECT_EQ(rig.saves()[0].settings.compPreset, CompressorPreset::radio);
}

TEST_F(PersistenceWiringTest, ConstructionAppliesTheStoredSettings) {
    AppSettings settings;
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
    EXPECT_FALSE(rig->savePending());
}

TEST_F(PersistenceWiringTest, TheResumeFieldsFollowAGaplessHandOver) {
    ControllerRig rig(stateWith(files.tracks(2, 1.0)));
    int promotions = 0;
    auto promoted = rig.engine().onGaplessPromotion;
    rig.engine().onGaplessPromotion = [&promotions, promoted](const Uuid& id) {
        ++promotions;
        promoted(id);
    };
    rig->play(rig.id(0));
    ASSERT_TRUE(rig.runUntil([&] { return rig.playing() == rig.id(1); }, 2.0));
    EXPECT_EQ(promotions, 1);
    EXPECT_EQ(rig->resumeTrackID(), rig.id(1));
    EXPECT_EQ(rig->resumePosition(), 0.0);
    EXPECT_EQ(rig->resumePlaylistID(), rig.list().id);
    EXPECT_FALSE(rig->plannedNextID());
    const auto savesBefore = rig.saves().size();
    ASSERT_TRUE(rig.runUntil([&] { return rig.saves().size() > savesBefore; }, 0.6));
    EXPECT_EQ(rig.saves().back().resumeTrackID, rig.id(1));
    EXPECT_EQ(rig.saves().back().resumePosition, 0.0);
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

    rig->pauseToggle();
    const auto paused = rig->resumePosition();
    rig.run(6.0);
    EXPECT_EQ(rig->resumePosition(), paused);
    ASSERT_FALSE(rig.saves().empty());
    EXPECT_EQ(rig.saves().back().resumePosition, paused);

    rig->seek(12.5); // a user seek moves the resume point too
    EXPECT_EQ(rig->resumePosition(), 12.5);
    EXPECT_TRUE(rig->savePending());
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

TEST_F(StartupResumeTest, TheStoredTrackStartsAndJumpsToItsPositionIfItIsTheOneThatStarted) {
    ControllerRig rig(resuming(1, 3.3, files.tracks(3, 8.0)));
    EXPECT_EQ(rig.playing(), rig.id(1));
    EXPECT_EQ(rig->activePlaylistID.get(), rig.list().id);
    EXPECT_DOUBLE_EQ(rig.engine().currentTime.get(), 0.0);
    rig.loop.advance(0.19);
    EXPECT_DOUBLE_EQ(rig.engine().currentTime.get(), 0.0);
    rig.loop.advance(0.01);
    EXPECT_DOUBLE_EQ(rig.engine().currentTime.get(), 3.3);
    EXPECT_EQ(rig->resumePosition(), 3.3);

    // A short stored position simply plays from the start; a deleted track plays nothing.
    ControllerRig near(resuming(1, 0.4, files.tracks(3, 8.0)));
    EXPECT_EQ(near.playing(), near.id(1));
    near.loop.advance(1.0);
    EXPECT_DOUBLE_EQ(near.engine().currentTime.get(), 0.0);
    auto state = resuming(1, 3.3, files.tracks(3, 8.0));
    state.resumeTrackID = Uuid::random();
    ControllerRig gone(state);
    EXPECT_FALSE(gone.playing());

    // No jump when another track started instead of a broken stored one.
    auto list = files.tracks(3, 8.0);
    list[1].path = files.broken("gone.wav");
    ControllerRig skipped(resuming(1, 3.3, list));
    EXPECT_EQ(skipped.playing(), skipped.id(2));
    skipped.loop.advance(1.0);
    EXPECT_DOUBLE_EQ(skipped.engine().currentTime.get(), 0.0);
}

TEST_F(PersistenceWiringTest, RestoreSettingsAppliesTheSnapshotAndSavesOnce) {
    Track boosted = makeTrack(files.dc("boosted.wav", 4.0), "Boosted");
    boosted.peakLinear = 0.5;
    boosted.rmsLinear = 0.05;
    AppSettings settings;
    settings.normalize = true;
    settings.outputDeviceUID = "sink-a";
    ControllerRig::Options options;
    options.devices = {{1, "sink-a", "A"}, {2, "sink-b", "B"}};
    ControllerRig rig(stateWith({boosted}, settings), std::move(options));
    EXPECT_EQ(rig.output().selectedDevice(), 1u);
    rig->play(rig.id(0));
    const AppSettings snapshot = rig->settings.get();

    // What the settings window changes before it is cancelled.
    auto edited = snapshot;
    edited.outputDeviceUID = "sink-b";
    edited.alwaysOnTop = true;
    edited.volume = 0.2;
    rig->settings = edited;
    rig.engine().setOutputDevice(2u);
    rig->setNormalize(false);
    ASSERT_EQ(rig.output().selectedDevice(), 2u);
    ASSERT_FLOAT_EQ(rig.engine().normGain(), 1.0f);
    rig.loop.advance(1.0);
    const auto savesBefore = rig.saves().size();
    rig.desktop.calls.clear();

    rig->restoreSettings(snapshot);
    EXPECT_EQ(rig->settings.get(), snapshot);
    EXPECT_EQ(rig.output().selectedDevice(), 1u);
    EXPECT_NEAR(rig.engine().normGain(), 2.5179f, 1e-4f);
    EXPECT_FALSE(rig.engine().compressorBypassed());
    EXPECT_EQ(rig.desktop.calls, (std::vector<std::string>{"icon:plain", "top:off", "quit:off"}));
    rig.loop.advance(1.0);
    EXPECT_EQ(rig.saves().size(), savesBefore + 1);
}

} // namespace
} // namespace orvane::test
