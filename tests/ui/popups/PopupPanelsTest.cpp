#include "ui/UiTestSupport.h"
#include "ui/popups/EQBandSlider.h"
#include "ui/popups/EQPanel.h"
#include "ui/popups/ModePanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace orvane::test {
namespace {

TEST(EQPresetMenu, ThePresetMenuSortsUserPresetsAfterTheBuiltIns) {
    // The built-ins, then a divider and the user's presets sorted.
    AppSettings s;
    auto labels = [&] {
        QStringList out;
        for (const auto& entry : EQPanel::presetMenu(s))
            out << (entry.name.empty() ? QStringLiteral("---") : entry.label);
        return out.join(QLatin1Char(','));
    };
    EXPECT_EQ(labels(), QStringLiteral("Flat,Rock,Pop,Jazz,Vocal,Bass"));
    s.customEQPresets = {{"night", std::vector<double>(10, 1.0)},
                         {"Car", std::vector<double>(10, 2.0)}};
    EXPECT_EQ(labels(), QStringLiteral("Flat,Rock,Pop,Jazz,Vocal,Bass,---,Car,night"));
}

class SliderTest : public QtAppTest {};

TEST_F(SliderTest, DraggingPastTheEndGivesTheLimitAndADoubleClickZero) {
    // The thumb (10 high) stays whole inside the column at both ends.
    EXPECT_GE(EQBandSlider::thumbCentre(12.0, 88) - 5, 0.0);
    EXPECT_LE(EQBandSlider::thumbCentre(-12.0, 88) + 5, 88.0);
    EQBandSlider slider;
    std::vector<double> edits;
    QObject::connect(&slider, &EQBandSlider::valueEdited, [&](double db) { edits.push_back(db); });
    sendMouse(&slider, QEvent::MouseButtonPress, QPointF(9, 44));
    sendMouse(&slider, QEvent::MouseMove, QPointF(9, -40));
    EXPECT_DOUBLE_EQ(slider.value(), 12.0);
    const double sixDb = EQBandSlider::thumbCentre(6.0, 88);
    sendMouse(&slider, QEvent::MouseMove, QPointF(9, sixDb));
    EXPECT_DOUBLE_EQ(slider.value(), 6.0);
    sendMouse(&slider, QEvent::MouseButtonRelease, QPointF(9, sixDb));
    sendMouse(&slider, QEvent::MouseButtonDblClick, QPointF(9, 5));
    EXPECT_DOUBLE_EQ(slider.value(), 0.0);
    EXPECT_EQ(edits.back(), 0.0);
}

// A controller with no tracks and nothing stored.
class PanelTest : public QtAppTest {
protected:
    ManualMainLoop loop;
    std::unique_ptr<PlayerController> player = makePlayer(loop);
};

TEST_F(PanelTest, CancelPutsBackTheEqualiserAsItWasWhenThePanelOpened) {
    player->applyEQPreset("rock");
    player->setEQEnabled(true);
    loop.advance(1.0);
    EQPanel panel(*player);
    QWidget anchor;
    panel.present(&anchor);

    // Cancel without changes changes nothing.
    const AppSettings before = player->settings.get();
    panel.cancel();
    EXPECT_EQ(player->settings.get(), before);
    EXPECT_TRUE(player->engine().eqEnabled());

    panel.present(&anchor);
    panel.slider(0).setValue(-9);
    emit panel.slider(0).valueEdited(-9);
    panel.onSwitch().setChecked(false); // switched off through the panel
    loop.advance(1.0);
    EXPECT_FALSE(player->engine().eqEnabled());
    EXPECT_DOUBLE_EQ(player->settings.get().eqGains[0], -9.0);

    panel.cancel();
    loop.advance(1.0);
    EXPECT_EQ(player->settings.get(), before);
    EXPECT_TRUE(player->engine().eqEnabled());
    EXPECT_FLOAT_EQ(player->engine().storedEQGains()[0], 5.0f);
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(PanelTest, TheDeleteButtonShowsOnlyForAUserPresetAndTheSavePromptStoresOne) {
    EQPanel panel(*player);
    EXPECT_TRUE(panel.deleteButton().isHidden());
    panel.openSavePrompt();
    EXPECT_FALSE(panel.savePrompt().isHidden());
    panel.presetNameField().setText(QStringLiteral("  Night  "));
    panel.confirmSavePrompt();
    EXPECT_TRUE(panel.savePrompt().isHidden());
    EXPECT_EQ(player->settings.get().eqPreset, "Night");
    EXPECT_FALSE(panel.deleteButton().isHidden());
    EXPECT_EQ(panel.presetBox().currentText(), QStringLiteral("Night"));

    emit static_cast<QAbstractButton&>(panel.deleteButton()).clicked();
    EXPECT_EQ(player->settings.get().eqPreset, "flat");
    EXPECT_TRUE(panel.deleteButton().isHidden());
}

TEST_F(PanelTest, ModeRowsSetTheModeAndSaveAndTheShuffleRowToggles) {
    ModePanel panel(*player);
    ASSERT_EQ(panel.rows().size(), 5u);
    EXPECT_TRUE(panel.rows()[0]->isChecked());
    panel.rows()[3]->click();
    EXPECT_EQ(player->settings.get().pbMode, PlaybackMode::all);
    EXPECT_TRUE(player->savePending());
    EXPECT_TRUE(panel.rows()[3]->isChecked());
    EXPECT_FALSE(panel.rows()[0]->isChecked());
    panel.rows()[2]->click(); // clicking another mode never leaves two lit
    EXPECT_FALSE(panel.rows()[3]->isChecked());
    panel.rows()[4]->click();
    EXPECT_TRUE(player->settings.get().shuffle);
}

} // namespace
} // namespace orvane::test
