#include "ControllerTestSupport.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

// A chosen device takes the playback along at once. One that is not there (stored, or
// chosen as it vanished) is kept in the settings without moving the output; the system
// default (no identifier, or an empty one) clears it.
TEST(SettingsOperationsTest, DevicesRouteAtOnceAndAbsentOnesAreKeptInTheSettings) {
    TempFolder files;
    AppSettings settings;
    settings.outputDeviceUID = "unplugged";
    ControllerRig::Options options;
    options.devices = {"sink-a", "sink-b"};
    ControllerRig rig(stateWith(files.tracks(1, 4.0), settings), std::move(options));
    EXPECT_FALSE(rig.output().selectedDevice());
    EXPECT_EQ(rig->settings.get().outputDeviceUID, "unplugged");
    rig->play(rig.id(0));
    rig.run(0.3);

    rig->setOutputDevice("sink-a");
    EXPECT_EQ(rig.output().selectedDevice(), "sink-a");
    EXPECT_TRUE(rig.output().isRunning() && rig.engine().isPlaying.get());

    rig->setOutputDevice("unplugged");
    EXPECT_EQ(rig->settings.get().outputDeviceUID, "unplugged");
    EXPECT_EQ(rig.output().selectedDevice(), "sink-a");
    for (const auto& none :
         {std::optional<std::string>(std::string()), std::optional<std::string>()}) {
        rig->setOutputDevice("sink-b");
        ASSERT_EQ(rig.output().selectedDevice(), "sink-b");
        rig->setOutputDevice(none);
        EXPECT_FALSE(rig->settings.get().outputDeviceUID.has_value());
        EXPECT_FALSE(rig.output().selectedDevice().has_value());
    }
    rig.loop.advance(0.6);
    EXPECT_FALSE(rig.saves().back().settings.outputDeviceUID.has_value());
}

// The settings window's Cancel puts back what its tabs edit and nothing else: what
// changed elsewhere meanwhile (levels, mode, shuffle, the equaliser, a new preset)
// stays, and trims measured under cancelled trim rules are forgotten.
TEST(SettingsOperationsTest, CancelPutsBackOnlyWhatTheSettingsWindowEdits) {
    TempFolder files;
    auto tracks = files.tracks(1);
    tracks[0].trimStart = 0.0;
    tracks[0].trimEnd = 6.0;
    ControllerRig rig(stateWith(tracks));
    const AppSettings snapshot = rig->settings.get();
    rig->setAlwaysOnTop(true);
    rig->settings.modify([](AppSettings& s) {
        s.compOn = true;
        s.fadeStopOn = true;
        s.trimThresholdDb = -40.0;
    });
    rig->applyProcessing();

    rig->setVolume(0.3);
    rig->setPan(-0.5);
    rig->toggleMute();
    rig->setPlaybackMode(PlaybackMode::all);
    rig->toggleShuffle();
    rig->setEQEnabled(true);
    rig->setEQGain(2, 6.0);
    rig->saveCustomEQPreset("Mine");
    AppSettings expected = rig->settings.get();
    expected.alwaysOnTop = false;
    expected.compOn = false;
    expected.fadeStopOn = false;
    expected.trimThresholdDb = snapshot.trimThresholdDb;

    rig->restoreSettings(snapshot);
    EXPECT_EQ(rig->settings.get(), expected);
    EXPECT_TRUE(rig.engine().compressorBypassed());
    EXPECT_TRUE(rig.engine().eqEnabled());
    EXPECT_FLOAT_EQ(rig.engine().storedEQGains()[2], 6.0f);
    EXPECT_FALSE(rig.track(0).trimStart.has_value());
}

} // namespace
} // namespace orvane::test
