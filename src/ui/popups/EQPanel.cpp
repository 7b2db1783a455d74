#include "ui/popups/EQPanel.h"

#include "controller/PlayerController.h"
#include "model/EQPresets.h"
#include "ui/popups/EQBandSlider.h"
#include "ui/style/IconButton.h"
#include "ui/style/Theme.h"

#include <cmath>
#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace orvane {

namespace {

constexpr std::array<const char*, EQPanel::bands> kFrequencyLabels{"31", "62", "125", "250", "500",
                                                                   "1k", "2k", "4k",  "8k",  "16k"};

QLabel* smallLabel(const QString& text, const QColor& color) {
    QLabel* label = Theme::plainLabel(text, Theme::systemFont(9), color);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QPushButton* plainButton(const QString& title, const QColor& color) {
    auto* button = new QPushButton(title);
    button->setFlat(true);
    button->setFont(Theme::systemFont(11.5));
    button->setCursor(Qt::PointingHandCursor);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, color);
    button->setPalette(palette);
    return button;
}

} // namespace

EQPanel::EQPanel(PlayerController& player, QWidget* parent) : PopupPanel(parent), player_(player) {
    setFixedWidth(280);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addWidget(buildHeader());
    layout->addWidget(buildBands());
    layout->addWidget(buildPrompt());
    layout->addWidget(buildFooter());
    prompt_->hide();
    subscriptions_.push_back(player_.settings.subscribe([this](const auto&) { refresh(); }));
    refresh();
}

QWidget* EQPanel::buildHeader() {
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    onSwitch_ = new QCheckBox(QStringLiteral("On"));
    onSwitch_->setFont(Theme::systemFont(12));
    connect(onSwitch_, &QCheckBox::toggled, this, [this](bool on) {
        if (!refreshing_)
            player_.setEQEnabled(on);
    });
    presetBox_ = new QComboBox;
    presetBox_->setFixedWidth(110);
    connect(presetBox_, &QComboBox::activated, this, [this](int index) {
        const std::string name = presetBox_->itemData(index).toString().toStdString();
        if (!name.empty())
            player_.applyEQPreset(name);
    });
    save_ = new IconButton(QStringLiteral("plus.circle"), 13, Theme::text, QSize(22, 22));
    save_->setToolTip(QStringLiteral("Save current EQ as a preset"));
    connect(save_, &QAbstractButton::clicked, this, &EQPanel::openSavePrompt);
    delete_ = new IconButton(QStringLiteral("trash"), 12, Theme::text, QSize(22, 22));
    delete_->setToolTip(QStringLiteral("Delete this preset"));
    connect(delete_, &QAbstractButton::clicked, this,
            [this] { player_.deleteCustomEQPreset(player_.settings.get().eqPreset); });
    row->addWidget(onSwitch_);
    row->addWidget(presetBox_);
    row->addWidget(save_);
    row->addWidget(delete_);
    row->addStretch(1);
    return header;
}

QWidget* EQPanel::buildBands() {
    auto* area = new QWidget;
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    for (int band = 0; band < bands; ++band) {
        auto* column = new QVBoxLayout;
        column->setSpacing(4);
        const auto b = static_cast<std::size_t>(band);
        gainLabels_[b] = smallLabel(QStringLiteral("0"), Theme::lcd);
        sliders_[b] = new EQBandSlider;
        connect(sliders_[b], &EQBandSlider::valueEdited, this,
                [this, band](double db) { player_.setEQGain(band, db); });
        column->addWidget(gainLabels_[b]);
        column->addWidget(sliders_[b], 0, Qt::AlignHCenter);
        column->addWidget(smallLabel(QString::fromLatin1(kFrequencyLabels[b]), Theme::textDim));
        row->addLayout(column);
    }
    return area;
}

QWidget* EQPanel::buildPrompt() {
    prompt_ = new QWidget;
    auto* column = new QVBoxLayout(prompt_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* title = new QLabel(QStringLiteral("Save EQ Preset"));
    title->setFont(Theme::systemFont(12, QFont::DemiBold));
    presetName_ = new QLineEdit;
    presetName_->setPlaceholderText(QStringLiteral("Preset name"));
    connect(presetName_, &QLineEdit::returnPressed, this, &EQPanel::confirmSavePrompt);
    auto* message = new QLabel(QStringLiteral("Built-in preset names can't be reused."));
    message->setFont(Theme::systemFont(11));
    message->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    auto* cancel = plainButton(QStringLiteral("Cancel"), Theme::textDim);
    connect(cancel, &QPushButton::clicked, prompt_, &QWidget::hide);
    auto* save = new QPushButton(QStringLiteral("Save"));
    connect(save, &QPushButton::clicked, this, &EQPanel::confirmSavePrompt);
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(save);
    column->addWidget(title);
    column->addWidget(presetName_);
    column->addWidget(message);
    column->addLayout(buttons);
    return prompt_;
}

QWidget* EQPanel::buildFooter() {
    auto* footer = new QWidget;
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(0, 0, 0, 0);
    auto* reset = plainButton(QStringLiteral("Reset"), Theme::textDim);
    connect(reset, &QPushButton::clicked, this, [this] { player_.resetEQ(); });
    auto* cancel = plainButton(QStringLiteral("Cancel"), Theme::text);
    connect(cancel, &QPushButton::clicked, this, &EQPanel::cancel);
    auto* save = new QPushButton(QStringLiteral("Save"));
    save->setDefault(true);
    QPalette palette = save->palette();
    palette.setColor(QPalette::Button, Theme::greenDim);
    palette.setColor(QPalette::ButtonText, Qt::white);
    save->setPalette(palette);
    connect(save, &QPushButton::clicked, this, &EQPanel::save);
    row->addWidget(reset);
    row->addStretch(1);
    row->addWidget(cancel);
    row->addWidget(save);
    return footer;
}

QString EQPanel::gainText(const AppSettings& settings, int band) {
    if (band < 0 || static_cast<std::size_t>(band) >= settings.eqGains.size())
        return QStringLiteral("0");
    const double rounded = std::round(settings.eqGains[static_cast<std::size_t>(band)]);
    if (!std::isfinite(rounded))
        return QStringLiteral("0");
    const auto whole = static_cast<long long>(rounded);
    return whole >= 1 ? QStringLiteral("+%1").arg(whole) : QString::number(whole);
}

std::vector<EQPanel::MenuEntry> EQPanel::presetMenu(const AppSettings& settings) {
    std::vector<MenuEntry> entries;
    for (const EQPreset& preset : eqPresets) {
        QString label =
            QString::fromLatin1(preset.name.data(), static_cast<qsizetype>(preset.name.size()));
        label[0] = label[0].toUpper();
        entries.push_back({label, std::string(preset.name)});
    }
    if (!settings.customEQPresets.empty()) {
        entries.push_back({QString(), std::string()});
        // The map keeps its names in ascending byte order.
        for (const auto& [name, gains] : settings.customEQPresets)
            entries.push_back({QString::fromStdString(name), name});
    }
    return entries;
}

QWidget& EQPanel::deleteButton() {
    return *delete_;
}

void EQPanel::present(QWidget* anchor) {
    snapshot_ = player_.settings.get();
    prompt_->hide();
    popUpBelow(anchor);
}

void EQPanel::cancel() {
    if (snapshot_)
        player_.restoreEQ(*snapshot_);
    hide();
}

void EQPanel::save() {
    player_.saveSettings();
    hide();
}

void EQPanel::openSavePrompt() {
    presetName_->clear();
    prompt_->show();
    adjustSize();
    presetName_->setFocus();
}

void EQPanel::confirmSavePrompt() {
    player_.saveCustomEQPreset(presetName_->text().toStdString());
    prompt_->hide();
    adjustSize();
}

void EQPanel::refresh() {
    refreshing_ = true;
    const AppSettings& s = player_.settings.get();
    onSwitch_->setChecked(s.eqOn);

    // Rebuilt only when the presets change: every settings write lands here, and a
    // rebuild would close the menu under the user's pointer.
    const std::vector<MenuEntry> entries = presetMenu(s);
    std::vector<std::string> names;
    for (const MenuEntry& entry : entries)
        names.push_back(entry.name);
    if (names != menuNames_) {
        menuNames_ = std::move(names);
        presetBox_->clear();
        for (const MenuEntry& entry : entries) {
            if (entry.name.empty())
                presetBox_->insertSeparator(presetBox_->count());
            else
                presetBox_->addItem(entry.label, QString::fromStdString(entry.name));
        }
    }
    presetBox_->setCurrentIndex(presetBox_->findData(QString::fromStdString(s.eqPreset)));
    delete_->setVisible(player_.isCurrentEQPresetCustom());

    for (int band = 0; band < bands; ++band) {
        const auto b = static_cast<std::size_t>(band);
        gainLabels_[b]->setText(gainText(s, band));
        sliders_[b]->setValue(b < s.eqGains.size() ? s.eqGains[b] : 0.0);
    }
    refreshing_ = false;
}

} // namespace orvane
