#pragma once

#include "ui/settings/SettingsTab.h"

class QComboBox;

namespace orvane {

class SliderRow;
class ToggleSwitch;

// Resume, window level, what closing the window does, gapless playback and silence
// trimming. Changing the trim settings forgets the trims measured so far, so that
// tracks are measured again with the new ones.
class PlaybackSettingsTab : public SettingsTab {
    Q_OBJECT
public:
    explicit PlaybackSettingsTab(PlayerController& player, QWidget* parent = nullptr);
    void showSettings(const AppSettings& settings) override;

    ToggleSwitch& resumeSwitch() { return *resume_; }
    ToggleSwitch& alwaysOnTopSwitch() { return *alwaysOnTop_; }
    QComboBox& closeMenu() { return *closeMenu_; }
    ToggleSwitch& gaplessSwitch() { return *gapless_; }
    ToggleSwitch& trimSwitch() { return *trim_; }
    SliderRow& thresholdRow() { return *threshold_; }
    SliderRow& maxTrimRow() { return *maxTrim_; }

private:
    ToggleSwitch* resume_;
    ToggleSwitch* alwaysOnTop_;
    QComboBox* closeMenu_;
    ToggleSwitch* gapless_;
    ToggleSwitch* trim_;
    SliderRow* threshold_;
    SliderRow* maxTrim_;
};

} // namespace orvane
