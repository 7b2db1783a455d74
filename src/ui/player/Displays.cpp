#include "ui/player/Displays.h"

#include "ui/player/GlowLabel.h"
#include "ui/player/PanelTexts.h"
#include "ui/style/Theme.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace orvane {

TimeDisplay::TimeDisplay(QWidget* parent) : QAbstractButton(parent), label_(new GlowLabel(this)) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    label_->setFont(Theme::monospacedFont(24, QFont::Bold));
    label_->setColor(Theme::lcd);
    label_->setGlow(Theme::lcd, 0.45, 6);
    label_->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 5, 0, 5);
    layout->addWidget(label_);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
    setTime(QStringLiteral("0:00"), false);
}

void TimeDisplay::setTime(const QString& text, bool showsRemainingTime) {
    label_->setText(text);
    setText(text);
    setToolTip(timeDisplayHelp(showsRemainingTime));
}

QString TimeDisplay::shownText() const {
    return label_->shownText();
}

QSize TimeDisplay::sizeHint() const {
    return {118, label_->sizeHint().height() + 10};
}

void TimeDisplay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::panelBlack);
    painter.drawRoundedRect(QRectF(rect()), 5, 5);
}

NowPlayingView::NowPlayingView(QWidget* parent)
    : QWidget(parent), title_(new GlowLabel), info_(new QLabel) {
    auto* well = new DisplayWell;
    auto* wellLayout = new QVBoxLayout(well);
    wellLayout->setContentsMargins(10, 5, 10, 5);
    title_->setFont(Theme::systemFont(16, QFont::DemiBold));
    title_->setColor(Theme::green);
    title_->setGlow(Theme::green, 0.35, 5);
    wellLayout->addWidget(title_);

    info_->setFont(Theme::monospacedFont(10));
    QPalette palette = info_->palette();
    palette.setColor(QPalette::WindowText, Theme::textDim);
    info_->setPalette(palette);
    info_->setContentsMargins(2, 0, 2, 0);
    info_->setTextFormat(Qt::PlainText);
    info_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    column->addWidget(well);
    column->addWidget(info_);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setTexts(QStringLiteral("Orvane"), std::nullopt);
}

void NowPlayingView::setTexts(const QString& title, const std::optional<QString>& info) {
    title_->setText(title);
    info_->setText(info.value_or(QString()));
    info_->setVisible(info.has_value());
}

QString NowPlayingView::title() const {
    return title_->text();
}
QString NowPlayingView::shownTitle() const {
    return title_->shownText();
}
bool NowPlayingView::hasInfoLine() const {
    return !info_->isHidden();
}
QString NowPlayingView::infoText() const {
    return info_->text();
}

} // namespace orvane
