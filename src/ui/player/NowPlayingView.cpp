#include "ui/player/NowPlayingView.h"

#include "ui/player/DisplayWell.h"
#include "ui/player/GlowLabel.h"
#include "ui/style/Theme.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orvane {

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
    if (info_->isHidden() == info.has_value()) {
        info_->setVisible(info.has_value());
        // The panel's layout keeps this view's last size hint until told: without this,
        // the panel (and the compact window) would stay tall after the line goes.
        updateGeometry();
    }
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
