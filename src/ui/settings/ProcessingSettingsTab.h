#pragma once

#include "ui/settings/SettingsTab.h"

class QComboBox;

namespace orvane {

class ToggleSwitch;

// Loudness normalisation, the loudness (tone compensation) curve and the compressor
// with its style.
class ProcessingSettingsTab : public SettingsTab {
    Q_OBJECT
public:
    explicit ProcessingSettingsTab(PlayerController& player, QWidget* parent = nullptr);
    void showSettings(const AppSettings& settings) override;

    ToggleSwitch& normalizeSwitch() { return *normalize_; }
    ToggleSwitch& loudnessSwitch() { return *loudness_; }
    ToggleSwitch& compressorSwitch() { return *compressor_; }
    QComboBox& styleMenu() { return *style_; }
    QWidget& styleRow() { return *styleRow_; }

private:
    ToggleSwitch* normalize_;
    ToggleSwitch* loudness_;
    ToggleSwitch* compressor_;
    QComboBox* style_;
    QWidget* styleRow_;
};

} // namespace orvane
