#pragma once

#include "ui/settings/SettingsTab.h"

class QComboBox;

namespace orvane {

class SliderRow;
class ToggleSwitch;

// The visualisation and its brightness, the playlist's font size and the icon with
// the wordmark.
class InterfaceSettingsTab : public SettingsTab {
    Q_OBJECT
public:
    explicit InterfaceSettingsTab(PlayerController& player, QWidget* parent = nullptr);
    void showSettings(const AppSettings& settings) override;

    QComboBox& visualizationMenu() { return *visualization_; }
    SliderRow& brightnessRow() { return *brightness_; }
    SliderRow& fontSizeRow() { return *fontSize_; }
    ToggleSwitch& wordmarkSwitch() { return *wordmark_; }

private:
    QComboBox* visualization_;
    SliderRow* brightness_;
    SliderRow* fontSize_;
    ToggleSwitch* wordmark_;
};

} // namespace orvane
