#include "ui/playlist/SearchBox.h"

#include "ui/style/DarkWell.h"
#include "ui/style/IconButton.h"
#include "ui/style/Icons.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>

namespace orvane {

namespace {

// The magnifying glass in front of the search text.
class SearchMark : public QWidget {
public:
    explicit SearchMark(QWidget* parent = nullptr) : QWidget(parent) { setFixedSize(14, 14); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        Icons::paintSymbol(painter, Icons::glyphRect(QRectF(rect()).center(), 10),
                           QStringLiteral("magnifyingglass"), Theme::textDim);
    }
};

} // namespace

SearchBox::SearchBox(QWidget* parent)
    : QWidget(parent), field_(new QLineEdit),
      clear_(
          new IconButton(QStringLiteral("xmark.circle.fill"), 10, Theme::textDim, QSize(14, 14))) {
    field_->setFrame(false);
    field_->setPlaceholderText(QStringLiteral("Search"));
    field_->setFont(Theme::systemFont(11.5));
    field_->setFixedWidth(140);
    QPalette palette = field_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Theme::green);
    palette.setColor(QPalette::PlaceholderText, Theme::withOpacity(Theme::textDim, 0.8));
    palette.setColor(QPalette::Highlight, Theme::withOpacity(Theme::selection, 0.8));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    field_->setPalette(palette);
    field_->setAttribute(Qt::WA_MacShowFocusRect, false);
    clear_->hide();

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(4);
    row->addWidget(new SearchMark);
    row->addWidget(field_);
    row->addWidget(clear_);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    connect(field_, &QLineEdit::textChanged, this,
            [this](const QString& text) { clear_->setVisible(!text.isEmpty()); });
    connect(field_, &QLineEdit::textEdited, this, &SearchBox::textEdited);
    connect(clear_, &QAbstractButton::clicked, this, [this] {
        field_->clear();
        emit textEdited(QString());
    });
}

QString SearchBox::text() const {
    return field_->text();
}

void SearchBox::setText(const QString& text) {
    if (text != field_->text())
        field_->setText(text);
}

bool SearchBox::clearButtonVisible() const {
    return !clear_->isHidden();
}

void SearchBox::paintEvent(QPaintEvent*) {
    paintDarkWell(*this);
}

} // namespace orvane
