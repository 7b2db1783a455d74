#include "ui/settings/PlaybackSettingsTab.h"

#include "ui/settings/SettingsControls.h"
#include "ui/settings/SettingsTexts.h"

#include <QComboBox>

namespace orvane {

namespace {

// Entries of the close menu, by the value of quitOnClose.
constexpr int kKeepPlayingEntry = 0;
constexpr int kQuitEntry = 1;

} // namespace

PlaybackSettingsTab::PlaybackSettingsTab(PlayerController& player, QWidget* parent)
    : SettingsTab(player, parent), resume_(new ToggleSwitch), alwaysOnTop_(new ToggleSwitch),
      closeMenu_(settingsMenu(
          {QStringLiteral("Keep playing in background"), QStringLiteral("Quit Orvane")})),
      gapless_(new ToggleSwitch), trim_(new ToggleSwitch),
      threshold_(new SliderRow(
          QStringLiteral("Silence threshold"), new SettingsSlider(-90.0, -30.0, 1.0),
          [](double db) { return wholeNumberText(db, QStringLiteral(" dB")); },
          QStringLiteral("Quieter than this counts as silence"))),
      maxTrim_(new SliderRow(
          QStringLiteral("Max trim per edge"), new SettingsSlider(1.0, 15.0, 1.0),
          [](double seconds) { return wholeNumberText(seconds, QStringLiteral(" s")); },
          QStringLiteral("Never trims more than this from start or end"))) {
    SettingsSection* general = page_->addSection();
    general->addRow(labelledRow(QStringLiteral("Resume playback on startup"), resume_));
    general->addRow(labelledRow(QStringLiteral("Always on top"), alwaysOnTop_));
    general->addRow(labelledRow(QStringLiteral("When window is closed"), closeMenu_));
    general->addRow(labelledRow(QStringLiteral("Gapless playback"), gapless_));

    SettingsSection* trimming = page_->addSection(QStringLiteral("Trim silence"));
    trimming->addRow(labelledRow(QStringLiteral("Trim leading/trailing silence"), trim_));
    trimming->addRow(threshold_);
    trimming->addRow(maxTrim_);

    connect(resume_, &ToggleSwitch::clicked, this, [this](bool on) {
        player_.changeSettings([on](AppSettings& s) { s.resumeOnStartup = on; });
    });
    connect(alwaysOnTop_, &ToggleSwitch::clicked, this,
            [this](bool on) { player_.setAlwaysOnTop(on); });
    connect(closeMenu_, &QComboBox::activated, this,
            [this](int entry) { player_.setQuitOnClose(entry == kQuitEntry); });
    connect(gapless_, &ToggleSwitch::clicked, this, [this](bool on) { player_.setGapless(on); });
    connect(trim_, &ToggleSwitch::clicked, this, [this](bool on) { player_.setTrimSilence(on); });
    connect(threshold_, &SliderRow::valueEdited, this,
            [this](double db) { player_.setTrimThresholdDb(db); });
    connect(maxTrim_, &SliderRow::valueEdited, this,
            [this](double seconds) { player_.setTrimMaxSeconds(seconds); });

    showSettings(player_.settings.get());
}

void PlaybackSettingsTab::showSettings(const AppSettings& s) {
    resume_->setChecked(s.resumeOnStartup);
    alwaysOnTop_->setChecked(s.alwaysOnTop);
    closeMenu_->setCurrentIndex(s.quitOnClose ? kQuitEntry : kKeepPlayingEntry);
    gapless_->setChecked(s.gapless);
    trim_->setChecked(s.trimSilence);
    // Hidden, the rows keep their values for when trimming comes back on.
    threshold_->setVisible(s.trimSilence);
    maxTrim_->setVisible(s.trimSilence);
    threshold_->showValue(s.trimThresholdDb);
    maxTrim_->showValue(s.trimMaxSec);
}

} // namespace orvane
