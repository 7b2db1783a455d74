#include "ui/settings/ProcessingSettingsTab.h"

#include "model/Enums.h"
#include "ui/settings/SettingsControls.h"

#include <cstddef>

#include <QComboBox>

namespace orvane {

namespace {

// The style menu's entries, in the order of allCompressorPresets.
QStringList styleEntries() {
    return {QStringLiteral("Gentle — light leveling"), QStringLiteral("Warm — smooth glue"),
            QStringLiteral("Radio — dense & even"), QStringLiteral("Punch — keeps transients"),
            QStringLiteral("Maximum — loud & flat")};
}

int styleEntry(CompressorPreset preset) {
    for (std::size_t i = 0; i < allCompressorPresets.size(); ++i)
        if (allCompressorPresets[i] == preset)
            return static_cast<int>(i);
    return -1;
}

} // namespace

ProcessingSettingsTab::ProcessingSettingsTab(PlayerController& player, QWidget* parent)
    : SettingsTab(player, parent), normalize_(new ToggleSwitch), loudness_(new ToggleSwitch),
      compressor_(new ToggleSwitch), style_(settingsMenu(styleEntries())),
      styleRow_(labelledRow(QStringLiteral("Style"), style_)) {
    SettingsSection* levels = page_->addSection();
    levels->addRow(labelledRow(QStringLiteral("Loudness normalization"), normalize_));
    levels->addRow(labelledRow(QStringLiteral("Loudness (tone compensation)"), loudness_));

    SettingsSection* dynamics = page_->addSection();
    dynamics->addRow(labelledRow(QStringLiteral("Compressor"), compressor_));
    dynamics->addRow(styleRow_);

    connect(normalize_, &ToggleSwitch::clicked, this,
            [this](bool on) { player_.setNormalize(on); });
    connect(loudness_, &ToggleSwitch::clicked, this, [this](bool on) { player_.setLoudness(on); });
    connect(compressor_, &ToggleSwitch::clicked, this,
            [this](bool on) { player_.setCompressorEnabled(on); });
    connect(style_, &QComboBox::activated, this, [this](int entry) {
        if (entry < 0 || static_cast<std::size_t>(entry) >= allCompressorPresets.size())
            return;
        player_.setCompressorPreset(allCompressorPresets[static_cast<std::size_t>(entry)]);
    });

    showSettings(player_.settings.get());
}

void ProcessingSettingsTab::showSettings(const AppSettings& s) {
    normalize_->setChecked(s.normalize);
    loudness_->setChecked(s.loudness);
    compressor_->setChecked(s.compOn);
    style_->setCurrentIndex(styleEntry(s.compPreset));
    styleRow_->setVisible(s.compOn);
}

} // namespace orvane
