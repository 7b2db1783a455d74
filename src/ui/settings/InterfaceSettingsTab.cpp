#include "ui/settings/InterfaceSettingsTab.h"

#include "model/Enums.h"
#include "ui/settings/SettingsControls.h"
#include "ui/settings/SettingsTexts.h"

#include <cstddef>

#include <QComboBox>

namespace orvane {

namespace {

// The menu's entries, in the order of allVisualizationModes.
QStringList visualizationEntries() {
    return {QStringLiteral("Spectrum analyzer"), QStringLiteral("Oscilloscope"),
            QStringLiteral("VU meter"), QStringLiteral("LED level meter"), QStringLiteral("Off")};
}

int visualizationEntry(VisualizationMode mode) {
    for (std::size_t i = 0; i < allVisualizationModes.size(); ++i)
        if (allVisualizationModes[i] == mode)
            return static_cast<int>(i);
    return -1;
}

SliderRow* sliderRow(const QString& label, double minimum, double maximum, const QString& unit) {
    return new SliderRow(label, new SettingsSlider(minimum, maximum, 0.0),
                         [unit](double value) { return sliderRowText(value, unit); });
}

} // namespace

InterfaceSettingsTab::InterfaceSettingsTab(PlayerController& player, QWidget* parent)
    : SettingsTab(player, parent), visualization_(settingsMenu(visualizationEntries())),
      brightness_(sliderRow(QStringLiteral("Visualization brightness"), 0.2, 1.0, QString())),
      fontSize_(sliderRow(QStringLiteral("Playlist font size"), 10.0, 36.0, QStringLiteral("px"))),
      wordmark_(new ToggleSwitch) {
    SettingsSection* section = page_->addSection();
    section->addRow(labelledRow(QStringLiteral("Visualization"), visualization_));
    section->addRow(brightness_);
    section->addRow(fontSize_);
    section->addRow(
        labelledRow(QStringLiteral("Show “ORVANE” wordmark on the application icon"), wordmark_));

    connect(visualization_, &QComboBox::activated, this, [this](int entry) {
        if (entry < 0 || static_cast<std::size_t>(entry) >= allVisualizationModes.size())
            return;
        const VisualizationMode mode = allVisualizationModes[static_cast<std::size_t>(entry)];
        player_.changeSettings([mode](AppSettings& s) { s.visualization = mode; });
    });
    connect(brightness_, &SliderRow::valueEdited, this, [this](double value) {
        player_.changeSettings([value](AppSettings& s) { s.ledBrightness = value; });
    });
    connect(fontSize_, &SliderRow::valueEdited, this, [this](double value) {
        player_.changeSettings([value](AppSettings& s) { s.playlistFontSize = value; });
    });
    connect(wordmark_, &ToggleSwitch::clicked, this,
            [this](bool on) { player_.setShowWordmarkIcon(on); });

    showSettings(player_.settings.get());
}

void InterfaceSettingsTab::showSettings(const AppSettings& s) {
    visualization_->setCurrentIndex(visualizationEntry(s.visualization));
    brightness_->showValue(s.ledBrightness);
    fontSize_->showValue(s.playlistFontSize);
    wordmark_->setChecked(s.showWordmarkIcon);
}

} // namespace orvane
