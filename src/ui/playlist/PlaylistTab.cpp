#include "ui/playlist/PlaylistTab.h"

#include "ui/style/IconButton.h"
#include "ui/style/Icons.h"
#include "ui/style/RoundedCorner.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace orvane {

namespace {

// The play mark on the playing playlist's tab.
class PlayMark : public QWidget {
public:
    explicit PlayMark(QWidget* parent = nullptr) : QWidget(parent) { setFixedSize(10, 12); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        Icons::paintSymbol(painter, Icons::glyphRect(QRectF(rect()).center(), 7),
                           QStringLiteral("play.fill"), Theme::lcd);
    }
};

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

} // namespace

PlaylistTab::PlaylistTab(const PlaylistTabInfo& info, bool active, bool playing, QWidget* parent)
    : QWidget(parent), info_(info), active_(!active), playing_(!playing), playMark_(new PlayMark),
      nameLabel_(new QLabel(info.name)),
      close_(new IconButton(QStringLiteral("xmark"), 8, Theme::textDim, QSize(12, 14))) {
    setCursor(Qt::PointingHandCursor);
    nameLabel_->setFont(Theme::systemFont(12));
    nameLabel_->setTextFormat(Qt::PlainText);
    connect(close_, &QAbstractButton::clicked, this, &PlaylistTab::closeClicked);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 6, 12, 6);
    row->setSpacing(6);
    row->addWidget(playMark_);
    row->addWidget(nameLabel_);
    row->addWidget(close_);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setState(info, active, playing);
}

void PlaylistTab::setState(const PlaylistTabInfo& info, bool active, bool playing) {
    if (info.name != info_.name) {
        info_.name = info.name;
        nameLabel_->setText(info.name);
    }
    info_.trackCount = info.trackCount;
    if (active != active_) {
        active_ = active;
        setTextColor(nameLabel_, active ? Theme::green : Theme::textDim);
        close_->setOpacity(active ? 1.0 : 0.4);
        update();
    }
    if (playing != playing_) {
        playing_ = playing;
        playMark_->setVisible(playing);
    }
}

bool PlaylistTab::isRenaming() const {
    return renameField_ != nullptr && !renameField_->isHidden();
}

void PlaylistTab::startRenaming() {
    if (isRenaming())
        return;
    if (renameField_ == nullptr) {
        renameField_ = new QLineEdit(this);
        renameField_->setFixedWidth(110);
        renameField_->setFont(Theme::systemFont(12));
        QPalette palette = renameField_->palette();
        palette.setColor(QPalette::Base, Theme::panelBlack);
        palette.setColor(QPalette::Text, Theme::green);
        renameField_->setPalette(palette);
        renameField_->setFrame(false);
        static_cast<QHBoxLayout*>(layout())->insertWidget(layout()->indexOf(nameLabel_),
                                                          renameField_);
        renameField_->installEventFilter(this);
        connect(renameField_, &QLineEdit::editingFinished, this, [this] {
            if (!isRenaming())
                return;
            const QString name = renameField_->text();
            info_.name = name;
            nameLabel_->setText(name);
            endRenaming();
            emit renameCommitted(name);
        });
    }
    renameField_->setText(info_.name);
    nameLabel_->hide();
    renameField_->show();
    renameField_->setFocus(Qt::OtherFocusReason);
    renameField_->selectAll();
}

void PlaylistTab::endRenaming() {
    renameField_->hide();
    nameLabel_->show();
}

bool PlaylistTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == renameField_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && isRenaming()) {
        // Hidden first, so that the focus leaving the field commits nothing.
        endRenaming();
        emit renameCancelled();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PlaylistTab::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape =
        roundedCornerPath(QRectF(rect()), 6, RectCorner::topLeft | RectCorner::topRight);
    painter.fillPath(shape, active_ ? Theme::steel : Theme::withOpacity(Theme::steel, 0.4));
}

void PlaylistTab::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit activated();
    event->accept();
}

void PlaylistTab::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit renameRequested();
    event->accept();
}

} // namespace orvane
