#include "ControllerTestSupport.h"
#include "model/EQPresets.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

const std::vector<double> kFlat(10, 0.0);
const std::vector<double> kLive{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

std::vector<double> engineStored(AudioEngine& engine) {
    const auto& stored = engine.storedEQGains();
    return {stored.begin(), stored.end()};
}

// A preset is heard at once while the equaliser is in, and only stored while it is out;
// a band moves alone without a save, and what is not a band or a number changes nothing.
TEST(ProcessingTest, PresetsApplyAtOnceWithoutTouchingTheSwitchAndBandsMoveAlone) {
    AppSettings settings;
    settings.eqOn = true;
    ControllerRig rig(stateWith({}, settings));
    rig.loop.advance(1.0); // the switch-on ramp is over

    rig->applyEQPreset("no such preset");
    EXPECT_FALSE(rig->savePending());
    rig->applyEQPreset("bass");
    const auto bass = *builtInEQPreset("bass");
    EXPECT_EQ(rig->settings.get().eqGains, bass);
    EXPECT_EQ(rig->settings.get().eqPreset, "bass");
    const auto& heard = rig.engine().eqBandGainsDb();
    EXPECT_EQ(std::vector<double>(heard.begin(), heard.end()), bass); // no ramp
    EXPECT_TRUE(rig->savePending());

    rig->setEQEnabled(false);
    rig.loop.advance(1.0);
    rig->applyEQPreset("rock");
    EXPECT_EQ(engineStored(rig.engine()), *builtInEQPreset("rock"));
    EXPECT_TRUE(rig.engine().eqBypassed());
    rig.loop.advance(1.0);

    rig->setEQGain(10, 3.0);
    rig->setEQGain(4, std::nan(""));
    EXPECT_EQ(rig->settings.get().eqGains, *builtInEQPreset("rock"));
    rig->setEQGain(4, -2.5);
    EXPECT_DOUBLE_EQ(rig->settings.get().eqGains[4], -2.5);
    EXPECT_FLOAT_EQ(rig.engine().storedEQGains()[4], -2.5f);
    EXPECT_EQ(rig->settings.get().eqPreset, "rock");
    EXPECT_FALSE(rig->savePending());
}

// The user's own presets: names trimmed, built-in names refused, the same name replaces;
// deleting the current one goes flat and keeps the switch.
TEST(ProcessingTest, UserPresetsAreSavedReplacedAndDeleted) {
    AppSettings settings;
    settings.eqOn = true;
    settings.customEQPresets = {{"Other", kFlat}};
    ControllerRig rig(stateWith({}, settings));
    for (std::size_t band = 0; band < 10; ++band)
        rig->setEQGain(static_cast<int>(band), kLive[band]);
    rig->saveCustomEQPreset(" \n\t ");
    rig->saveCustomEQPreset("flat");
    EXPECT_EQ(rig->settings.get().customEQPresets.size(), 1u);
    EXPECT_FALSE(rig->savePending());

    rig->saveCustomEQPreset("  Live  ");
    EXPECT_EQ(rig->settings.get().customEQPresets.at("Live"), kLive);
    EXPECT_EQ(rig->settings.get().eqPreset, "Live");
    EXPECT_TRUE(rig->isCurrentEQPresetCustom());
    EXPECT_TRUE(rig->savePending());
    rig->setEQGain(0, -6.0);
    rig->saveCustomEQPreset("Live\n");
    EXPECT_EQ(rig->settings.get().customEQPresets.size(), 2u);
    EXPECT_DOUBLE_EQ(rig->settings.get().customEQPresets.at("Live")[0], -6.0);

    rig->deleteCustomEQPreset("Other");
    EXPECT_EQ(rig->settings.get().eqPreset, "Live");
    rig->deleteCustomEQPreset("Live");
    EXPECT_TRUE(rig->settings.get().customEQPresets.empty());
    EXPECT_EQ(rig->settings.get().eqPreset, "flat");
    EXPECT_EQ(engineStored(rig.engine()), kFlat);
    EXPECT_TRUE(rig->settings.get().eqOn);
    EXPECT_TRUE(rig.engine().eqEnabled());
}

} // namespace
} // namespace orvane::test
