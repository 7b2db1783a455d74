#include "ui/tags/GenreSuggestions.h"

#include "ui/style/Theme.h"

#include <QFontMetrics>
#include <QGraphicsDropShadowEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace orvane {

namespace {

constexpr int listPadding = 2; // above the first row and below the last
constexpr int rowPaddingX = 8;
constexpr int rowPaddingY = 4;
constexpr double cornerRadius = 5.0;

} // namespace

GenreSuggestions::GenreSuggestions(QWidget* parent) : QWidget(parent) {
    setFont(Theme::systemFont(12));
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setColor(Theme::withOpacity(Qt::black, 0.35));
    shadow->setBlurRadius(10); // a blur of 10 spreads about as far as a shadow radius of 5
    shadow->setOffset(0, 0);
    setGraphicsEffect(shadow);
    hide();
}

void GenreSuggestions::setGenres(const QStringList& genres, int width) {
    if (genres == genres_ && width == width_)
        return;
    genres_ = genres;
    width_ = width;
    pressed_ = -1;
    hovered_ = -1;
    resize(sizeHint());
    update();
}

int GenreSuggestions::rowHeight() const {
    return QFontMetrics(font()).height() + 2 * rowPaddingY;
}

QSize GenreSuggestions::sizeHint() const {
    return {width_, 2 * listPadding + static_cast<int>(genres_.size()) * rowHeight()};
}

QRect GenreSuggestions::rowRect(int row) const {
    return {0, listPadding + row * rowHeight(), width(), rowHeight()};
}

int GenreSuggestions::rowAt(QPoint pos) const {
    if (pos.x() < 0 || pos.x() >= width() || pos.y() < listPadding)
        return -1;
    const int row = (pos.y() - listPadding) / rowHeight();
    return row < genres_.size() ? row : -1;
}

void GenreSuggestions::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(card, Theme::steelLight);
    painter.setClipPath(card); // keeps a highlighted first or last row inside the corners

    for (int row = 0; row < genres_.size(); ++row) {
        const QRect box = rowRect(row);
        if (row == hovered_)
            painter.fillRect(box, Theme::withOpacity(Theme::selection, Theme::selectionOpacity));
        painter.setPen(Theme::text);
        painter.drawText(box.adjusted(rowPaddingX, 0, -rowPaddingX, 0),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, genres_[row]);
    }
}

void GenreSuggestions::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton ? rowAt(event->position().toPoint()) : -1;
    event->accept();
}

void GenreSuggestions::mouseReleaseEvent(QMouseEvent* event) {
    const int row = rowAt(event->position().toPoint());
    const bool clicked = event->button() == Qt::LeftButton && row >= 0 && row == pressed_;
    pressed_ = -1;
    event->accept();
    if (clicked)
        emit chosen(genres_[row]);
}

void GenreSuggestions::mouseMoveEvent(QMouseEvent* event) {
    setHovered(rowAt(event->position().toPoint()));
}

void GenreSuggestions::leaveEvent(QEvent*) {
    setHovered(-1);
}

void GenreSuggestions::setHovered(int row) {
    if (row == hovered_)
        return;
    hovered_ = row;
    update();
}

} // namespace orvane
