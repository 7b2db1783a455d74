#include "ControllerTestSupport.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

ControllerRig::Options twoDevices() {
    ControllerRig::Options options;
    options.devices = {{1, "sink-a", "Speakers"}, {2, "sink-b", "Headphones"}};
    return options;
}

TEST(SettingsOperationsTest, WindowIconAndQuitSwitchesReachTheDesktopAndTheFile) {
    ControllerRig rig(stateWith({}));
    rig.desktop.calls.clear();

    rig->setAlwaysOnTop(true);
    rig->setShowWordmarkIcon(true);
    rig->setQuitOnClose(true);
    EXPECT_TRUE(rig->settings.get().alwaysOnTop);
    EXPECT_TRUE(rig->settings.get().showWordmarkIcon);
    EXPECT_TRUE(rig->settings.get().quitOnClose);
    // The quit rule applies at once, not from the next start.
    EXPECT_EQ(rig.desktop.calls, (std::vector<std::string>{"top:on", "icon:wordmark", "quit:on"}));

    rig.loop.advance(0.6);
    ASSERT_EQ(rig.saves().size(), 1u);
    EXPECT_TRUE(rig.saves().back().settings.alwaysOnTop);
    EXPECT_TRUE(rig.saves().back().settings.showWordmarkIcon);
    EXPECT_TRUE(rig.saves().back().settings.quitOnClose);

    rig->setAlwaysOnTop(false);
    rig->setShowWordmarkIcon(false);
    EXPECT_EQ(rig.desktop.calls[3], "top:off");
    EXPECT_EQ(rig.desktop.calls[4], "icon:plain");
    rig.loop.advance(0.6);
    ASSERT_EQ(rig.saves().size(), 2u);
    EXPECT_FALSE(rig.saves().back().settings.alwaysOnTop);
}

TEST(SettingsOperationsTest, ChoosingADeviceRoutesAtOnceAndIsStored) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(1, 4.0)), twoDevices());
    rig->play(rig.id(0));
    rig.run(0.3);
    ASSERT_TRUE(rig.engine().isPlaying.get());

    rig->setOutputDevice("sink-b");
    EXPECT_EQ(rig.output().selectedDevice(), 2u);
    EXPECT_EQ(rig->settings.get().outputDeviceUID, "sink-b");
    // Playback carries on on the new device.
    EXPECT_TRUE(rig.output().isRunning());
    EXPECT_TRUE(rig.engine().isPlaying.get());

    rig.loop.advance(0.6);
    ASSERT_FALSE(rig.saves().empty());
    EXPECT_EQ(rig.saves().back().settings.outputDeviceUID, "sink-b");
}

// A device that is not there (stored, or chosen as it vanished) is kept in the
// settings without moving the output; the system default clears the identifier.
TEST(SettingsOperationsTest, AnAbsentDeviceIsStoredAndTheDefaultClearsTheIdentifier) {
    AppSettings settings;
    settings.outputDeviceUID = "unplugged";
    ControllerRig rig(stateWith({}, settings), twoDevices());
    EXPECT_FALSE(rig.output().selectedDevice());
    EXPECT_EQ(rig->settings.get().outputDeviceUID, "unplugged");
    rig->setOutputDevice("sink-a");
    ASSERT_EQ(rig.output().selectedDevice(), 1u);
    rig->setOutputDevice("unplugged");
    EXPECT_EQ(rig->settings.get().outputDeviceUID, "unplugged");
    EXPECT_EQ(rig.output().selectedDevice(), 1u);

    // An empty identifier is the default's, the same as none.
    for (const auto& none :
         {std::optional<std::string>(std::string()), std::optional<std::string>()}) {
        rig->setOutputDevice("sink-b");
        ASSERT_EQ(rig.output().selectedDevice(), 2u);
        rig->setOutputDevice(none);
        EXPECT_FALSE(rig->settings.get().outputDeviceUID.has_value());
        EXPECT_FALSE(rig.output().selectedDevice().has_value());
    }
    rig.loop.advance(0.6);
    ASSERT_FALSE(rig.saves().empty());
    EXPECT_FALSE(rig.saves().back().settings.outputDeviceUID.has_value());
}

} // namespace
} // namespace orvane::test
