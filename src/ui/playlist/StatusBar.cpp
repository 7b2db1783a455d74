#include "ui/playlist/StatusBar.h"

#include "ui/player/GlowLabel.h"
#include "ui/playlist/StatusTexts.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace orvane {

StatusBar::StatusBar(QWidget* parent)
    : QWidget(parent), count_(Theme::plainLabel({}, Theme::systemFont(11), Theme::textDim)),
      flags_(Theme::plainLabel({}, Theme::monospacedFont(9, QFont::DemiBold), Theme::greenDim)),
      scan_(Theme::plainLabel({}, Theme::monospacedFont(9, QFont::DemiBold), Theme::greenDim)),
      playing_(new GlowLabel) {
    // The playing line is one line, shortened at the tail when the window is narrow.
    playing_->setFont(Theme::systemFont(11));
    playing_->setColor(Theme::textDim);
    playing_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    playing_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 5, 12, 5);
    row->setSpacing(0);
    row->addWidget(count_);
    row->addSpacing(8);
    row->addWidget(flags_);
    row->addSpacing(8);
    row->addWidget(scan_);
    row->addSpacing(8);
    row->addWidget(playing_, 1);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    showState(AppSettings{}, nullptr, nullptr);
    showScanProgress(0, 0);
}

void StatusBar::showScanProgress(std::size_t done, std::size_t total) {
    const QString text = scanProgressText(done, total);
    scan_->setText(text);
    scan_->setVisible(!text.isEmpty());
}

QString StatusBar::scanText() const {
    return scan_->isHidden() ? QString() : scan_->text();
}

void StatusBar::showState(const AppSettings& settings, const Playlist* active,
                          const Track* playing) {
    if (active != nullptr)
        count_->setText(trackCountText(active->tracks.size(), knownDurationSum(active->tracks)));
    else
        count_->setText(trackCountText(0, 0.0));
    const QString flags = statusFlagsText(settings);
    flags_->setText(flags);
    flags_->setVisible(!flags.isEmpty());
    playing_->setText(orvane::playingText(playing));
}

QString StatusBar::countText() const {
    return count_->text();
}
QString StatusBar::flagsText() const {
    return flags_->text();
}
bool StatusBar::flagsVisible() const {
    return !flags_->isHidden();
}
QString StatusBar::playingText() const {
    return playing_->text();
}

void StatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::withOpacity(Theme::steel, 0.6));
}

} // namespace orvane
