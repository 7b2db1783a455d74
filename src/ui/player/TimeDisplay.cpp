#include "ui/player/TimeDisplay.h"

#include "ui/player/GlowLabel.h"
#include "ui/player/PanelTexts.h"
#include "ui/style/DarkWell.h"
#include "ui/style/Theme.h"

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
    paintDarkWell(*this);
}

} // namespace orvane
