#include "ui/settings/SettingsControls.h"

#include "ui/style/Theme.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace orvane {

namespace {

constexpr int kContinuousSteps = 1000;
constexpr int kRowHeight = 30; // a one-line row, as tall as a menu
constexpr double kPanelRadius = 8.0;
constexpr int kPageBottomSpace = 60;

const QString kSliderStyle = QStringLiteral(
    "QSlider::groove:horizontal { height: 4px; border-radius: 2px; background: %1; }"
    "QSlider::sub-page:horizontal { height: 4px; border-radius: 2px; background: %2; }"
    "QSlider::handle:horizontal { width: 14px; height: 14px; margin: -5px 0;"
    " border-radius: 7px; background: %3; }"
    "QSlider::handle:horizontal:disabled { background: %4; }");

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

// The rounded panel of a section; paints a hairline above every visible row but the
// first.
class SectionPanel : public QWidget {
public:
    explicit SectionPanel(QWidget* parent = nullptr) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Theme::withOpacity(Theme::steelLight, 0.6), 1.0));
        painter.setBrush(Theme::withOpacity(Theme::steel, 0.55));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kPanelRadius,
                                kPanelRadius);

        painter.setRenderHint(QPainter::Antialiasing, false);
        const QColor line = Theme::withOpacity(Theme::steelLight, 0.5);
        bool first = true;
        for (QObject* child : children()) {
            auto* row = qobject_cast<QWidget*>(child);
            if (row == nullptr || row->isHidden())
                continue;
            if (!first) {
                const int y = row->geometry().top() - 1;
                painter.fillRect(QRect(12, y, width() - 24, 1), line);
            }
            first = false;
        }
    }
};

} // namespace

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const {
    return {34, 20};
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.4);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    const double radius = track.height() / 2.0;
    painter.setPen(QPen(isChecked() ? Theme::green : Theme::steelLight, 1.0));
    painter.setBrush(isChecked() ? Theme::greenDim : Theme::panelBlack);
    painter.drawRoundedRect(track, radius, radius);

    const double knob = track.height() - 4.0;
    const double x = isChecked() ? track.right() - 2.0 - knob : track.left() + 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::text);
    painter.drawEllipse(QRectF(x, track.top() + 2.0, knob, knob));
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Theme::withOpacity(Theme::selection, 0.9), 1.5));
        painter.drawRoundedRect(track.adjusted(-0.5, -0.5, 0.5, 0.5), radius, radius);
    }
}

SettingsSlider::SettingsSlider(double minimum, double maximum, double step, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), minimum_(minimum), maximum_(maximum),
      steps_(step > 0.0 ? std::max(1, static_cast<int>(std::lround((maximum - minimum) / step)))
                        : kContinuousSteps) {
    setRange(0, steps_);
    setSingleStep(1);
    setPageStep(std::max(1, steps_ / 10));
    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet(kSliderStyle.arg(Theme::panelBlack.name(), Theme::greenDim.name(),
                                   Theme::text.name(), Theme::textDim.name()));
    connect(this, &QSlider::valueChanged, this, [this](int position) {
        if (!showing_)
            emit valueEdited(valueAt(position));
    });
}

void SettingsSlider::showValue(double value) {
    const double span = maximum_ - minimum_;
    double fraction = span > 0.0 ? (value - minimum_) / span : 0.0;
    if (!std::isfinite(fraction))
        fraction = 0.0;
    fraction = std::clamp(fraction, 0.0, 1.0);
    const int position = static_cast<int>(std::lround(fraction * steps_));
    showing_ = true;
    setValue(position);
    showing_ = false;
}

double SettingsSlider::currentValue() const {
    return valueAt(value());
}

double SettingsSlider::valueAt(int position) const {
    // Whole steps are computed from the start, not accumulated, so that a step of 1 or
    // 50 gives exact whole numbers.
    const double value = minimum_ + (maximum_ - minimum_) * position / steps_;
    return std::clamp(value, minimum_, maximum_);
}

SliderRow::SliderRow(const QString& label, SettingsSlider* slider,
                     std::function<QString(double)> format, const QString& note, QWidget* parent)
    : QWidget(parent), slider_(slider), value_(valueLabel()), format_(std::move(format)) {
    auto* title = new QLabel(label);
    auto* line = new QHBoxLayout;
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(title);
    line->addStretch(1);
    line->addWidget(value_);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(12, 8, 12, 8);
    stack->setSpacing(4);
    stack->addLayout(line);
    stack->addWidget(slider_);
    if (!note.isEmpty()) {
        auto* noteLabel = new QLabel(note);
        noteLabel->setFont(Theme::systemFont(10));
        noteLabel->setWordWrap(true);
        setTextColor(noteLabel, Theme::textDim);
        stack->addWidget(noteLabel);
    }
    connect(slider_, &SettingsSlider::valueEdited, this, &SliderRow::valueEdited);
}

void SliderRow::showValue(double value) {
    slider_->showValue(value);
    value_->setText(format_(value));
}

QString SliderRow::valueText() const {
    return value_->text();
}

SettingsSection::SettingsSection(const QString& heading, QWidget* parent)
    : QWidget(parent), panel_(new SectionPanel), rows_(new QVBoxLayout(panel_)) {
    rows_->setContentsMargins(0, 2, 0, 2);
    rows_->setSpacing(1); // room for the hairline
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);
    if (!heading.isEmpty()) {
        auto* title = new QLabel(heading);
        title->setFont(Theme::systemFont(11, QFont::DemiBold));
        title->setContentsMargins(4, 0, 0, 0);
        setTextColor(title, Theme::textDim);
        stack->addWidget(title);
    }
    stack->addWidget(panel_);
}

void SettingsSection::addRow(QWidget* row) {
    rows_->addWidget(row);
}

SettingsPage::SettingsPage(QWidget* parent) : QWidget(parent), sections_(new QVBoxLayout) {
    auto* content = new QWidget;
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(16, 16, 16, kPageBottomSpace);
    contentLayout->setSpacing(18);
    sections_->setContentsMargins(0, 0, 0, 0);
    sections_->setSpacing(18);
    contentLayout->addLayout(sections_);
    contentLayout->addStretch(1);

    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    content->setAutoFillBackground(false);
    scroll->viewport()->setAutoFillBackground(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}

SettingsSection* SettingsPage::addSection(const QString& heading) {
    auto* section = new SettingsSection(heading);
    sections_->addWidget(section);
    return section;
}

QWidget* labelledRow(const QString& label, QWidget* control) {
    auto* row = new QWidget;
    row->setMinimumHeight(kRowHeight);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(12, 4, 12, 4);
    line->addWidget(new QLabel(label));
    line->addStretch(1);
    line->addWidget(control, 0, Qt::AlignVCenter);
    return row;
}

QLabel* valueLabel() {
    auto* label = new QLabel;
    label->setFont(Theme::monospacedFont(11));
    label->setTextFormat(Qt::PlainText);
    setTextColor(label, Theme::textDim);
    return label;
}

QComboBox* settingsMenu(const QStringList& entries) {
    auto* menu = new QComboBox;
    menu->addItems(entries);
    menu->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    menu->setFocusPolicy(Qt::StrongFocus);
    return menu;
}

} // namespace orvane
