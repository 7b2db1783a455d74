#include "ui/settings/FadesSettingsTab.h"

#include "ui/settings/SettingsControls.h"
#include "ui/settings/SettingsTexts.h"

#include <QHBoxLayout>
#include <QLabel>

namespace orvane {

namespace {

constexpr double kShortestMs = 50.0;
constexpr double kLongestMs = 5000.0;
constexpr double kStepMs = 50.0;
constexpr int kLengthWidth = 70;

QString millisecondsText(double ms) {
    return wholeNumberText(ms, QStringLiteral(" ms"));
}

} // namespace

FadesSettingsTab::FadesSettingsTab(PlayerController& player, QWidget* parent)
    : SettingsTab(player, parent), rows_{
                                       {{&AppSettings::fadePlayOn, &AppSettings::fadePlayMs},
                                        {&AppSettings::fadePauseOn, &AppSettings::fadePauseMs},
                                        {&AppSettings::fadeStopOn, &AppSettings::fadeStopMs},
                                        {&AppSettings::fadeChangeOn, &AppSettings::fadeChangeMs}}} {
    const std::array<QString, 4> labels{QStringLiteral("Play"), QStringLiteral("Pause"),
                                        QStringLiteral("Stop"), QStringLiteral("Track change")};
    SettingsSection* section = page_->addSection();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        Row& row = rows_[i];
        row.toggle = new ToggleSwitch;
        row.slider = new SettingsSlider(kShortestMs, kLongestMs, kStepMs);
        row.length = valueLabel();
        row.length->setFixedWidth(kLengthWidth);
        row.length->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

        auto* line = new QWidget;
        auto* layout = new QHBoxLayout(line);
        layout->setContentsMargins(12, 6, 12, 6);
        layout->setSpacing(10);
        auto* label = new QLabel(labels[i]);
        label->setMinimumWidth(90);
        layout->addWidget(label);
        layout->addWidget(row.toggle);
        layout->addWidget(row.slider, 1);
        layout->addWidget(row.length);
        section->addRow(line);

        const auto on = row.on;
        const auto ms = row.ms;
        connect(row.toggle, &ToggleSwitch::clicked, this, [this, on](bool value) {
            player_.changeSettings([on, value](AppSettings& s) { s.*on = value; });
        });
        connect(row.slider, &SettingsSlider::valueEdited, this, [this, ms](double value) {
            player_.changeSettings([ms, value](AppSettings& s) { s.*ms = value; });
        });
    }
    showSettings(player_.settings.get());
}

void FadesSettingsTab::showSettings(const AppSettings& s) {
    for (Row& row : rows_) {
        row.toggle->setChecked(s.*row.on);
        row.slider->showValue(s.*row.ms);
        row.length->setText(millisecondsText(s.*row.ms));
    }
}

QString FadesSettingsTab::lengthText(Fade fade) const {
    return rows_[static_cast<std::size_t>(fade)].length->text();
}

} // namespace orvane
