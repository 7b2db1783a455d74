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

} // namespace
} // namespace orvane::test
