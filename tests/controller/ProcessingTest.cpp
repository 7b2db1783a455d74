#include "ControllerTestSupport.h"
#include "model/EqPresets.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

const std::vector<double> kFlat(10, 0.0);
const std::vector<double> kLive{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

class ProcessingTest : public ::testing::Test {
protected:
    static std::vector<double> engineStored(AudioEngine& engine) {
        const auto& stored = engine.storedEQGains();
        return {stored.begin(), stored.end()};
    }
    static std::vector<double> engineHeard(AudioEngine& engine) {
        const auto& bands = engine.eqBandGainsDb();
        return {bands.begin(), bands.end()};
    }
};

TEST_F(ProcessingTest, PresetsApplyAtOnceWithoutTouchingTheSwitchAndBandsMoveAlone) {
    AppSettings settings;
    settings.eqOn = true;
    ControllerRig rig(stateWith({}, settings));
    rig.loop.advance(1.0); // the switch-on ramp is over

    rig->applyEQPreset("no such preset");
    EXPECT_EQ(rig->settings.get().eqPreset, "flat");
    EXPECT_FALSE(rig->savePending());

    rig->applyEQPreset("bass");
    const auto bass = *builtInEqPreset("bass");
    EXPECT_EQ(rig->settings.get().eqGains, bass);
    EXPECT_EQ(rig->settings.get().eqPreset, "bass");
    EXPECT_EQ(engineStored(rig.engine()), bass);
    EXPECT_EQ(engineHeard(rig.engine()), bass); // no ramp
    EXPECT_TRUE(rig.engine().eqEnabled());
    EXPECT_TRUE(rig->savePending());

    rig->setEQEnabled(false);
    rig.loop.advance(1.0);
    EXPECT_FALSE(rig->settings.get().eqOn);
    EXPECT_TRUE(rig.engine().eqBypassed());
    rig->applyEQPreset("rock"); // stored only while the equaliser is out
    EXPECT_EQ(engineStored(rig.engine()), *builtInEqPreset("rock"));
    EXPECT_EQ(engineHeard(rig.engine()), kFlat);
    EXPECT_FALSE(rig.engine().eqEnabled());

    // One band moves without a save or a preset change; no such band or no number: nothing.
    rig->applyEQPreset("pop");
    rig.loop.advance(1.0);
    rig->setEQGain(10, 3.0);
    rig->setEQGain(-1, 3.0);
    rig->setEQGain(4, std::nan(""));
    EXPECT_EQ(rig->settings.get().eqGains, *builtInEqPreset("pop"));
    rig->setEQGain(4, -2.5);
    EXPECT_DOUBLE_EQ(rig->settings.get().eqGains[4], -2.5);
    EXPECT_FLOAT_EQ(rig.engine().storedEQGains()[4], -2.5f);
    EXPECT_EQ(rig->settings.get().eqPreset, "pop");
    EXPECT_FALSE(rig->savePending());
}

TEST_F(ProcessingTest, UserPresetNamesAreTrimmedAndBuiltInNamesRefused) {
    ControllerRig rig(stateWith({}));
    for (std::size_t band = 0; band < 10; ++band)
        rig->setEQGain(static_cast<int>(band), kLive[band]);
    rig->saveCustomEQPreset(" \n\t ");
    rig->saveCustomEQPreset("flat");
    EXPECT_TRUE(rig->settings.get().customEQPresets.empty());
    EXPECT_FALSE(rig->savePending());
    EXPECT_FALSE(rig->isCurrentEQPresetCustom());

    rig->saveCustomEQPreset("  Live  ");
    EXPECT_EQ(rig->settings.get().customEQPresets,
              (std::map<std::string, std::vector<double>>{{"Live", kLive}}));
    EXPECT_EQ(rig->settings.get().eqPreset, "Live");
    EXPECT_TRUE(rig->isCurrentEQPresetCustom());
    EXPECT_TRUE(rig->savePending());

    // The same name again replaces the gains.
    rig->setEQGain(0, -6.0);
    rig->saveCustomEQPreset("Live\n");
    ASSERT_EQ(rig->settings.get().customEQPresets.size(), 1u);
    EXPECT_DOUBLE_EQ(rig->settings.get().customEQPresets.at("Live")[0], -6.0);
}

TEST_F(ProcessingTest, DeletingTheCurrentUserPresetGoesFlatAndKeepsTheSwitch) {
    AppSettings settings;
    settings.eqOn = true;
    settings.eqGains = kLive;
    settings.eqPreset = "Live";
    settings.customEQPresets = {{"Live", kLive}, {"Other", kFlat}};
    ControllerRig rig(stateWith({}, settings));

    rig->deleteCustomEQPreset("Other");
    EXPECT_EQ(rig->settings.get().eqGains, kLive);
    EXPECT_EQ(rig->settings.get().eqPreset, "Live");
    rig->deleteCustomEQPreset("Live");
    EXPECT_TRUE(rig->settings.get().customEQPresets.empty());
    EXPECT_EQ(rig->settings.get().eqPreset, "flat");
    EXPECT_EQ(rig->settings.get().eqGains, kFlat);
    EXPECT_EQ(engineStored(rig.engine()), kFlat);
    EXPECT_TRUE(rig->settings.get().eqOn);
    EXPECT_TRUE(rig.engine().eqEnabled());

    rig->applyEQPreset("jazz");
    rig->resetEQ();
    rig.loop.advance(1.0);
    EXPECT_EQ(rig->settings.get().eqPreset, "flat");
    EXPECT_EQ(rig->settings.get().eqGains, kFlat);
    EXPECT_FALSE(rig->settings.get().eqOn);
    EXPECT_FALSE(rig.engine().eqEnabled());
    EXPECT_TRUE(rig.engine().eqBypassed());
}

TEST_F(ProcessingTest, VisualisationsCycleInOrderAndAreSaved) {
    AppSettings settings;
    settings.visualization = VisualizationMode::led;
    ControllerRig rig(stateWith({}, settings));
    rig->cycleVisualization();
    EXPECT_EQ(rig->settings.get().visualization, VisualizationMode::off);
    rig->cycleVisualization();
    EXPECT_EQ(rig->settings.get().visualization, VisualizationMode::spectrum);
    EXPECT_TRUE(rig->savePending());
}

} // namespace
} // namespace orvane::test
