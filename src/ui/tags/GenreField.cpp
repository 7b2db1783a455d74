#include "ui/tags/GenreField.h"

#include "ui/tags/GenreSuggestions.h"

#include <QFocusEvent>

namespace orvane {

namespace {

constexpr int listGap = 2; // between the field's bottom edge and the list

} // namespace

GenreField::GenreField(QWidget* parent) : QLineEdit(parent) {
    setPlaceholderText(QStringLiteral("Genre"));
    connect(this, &QLineEdit::textChanged, this, &GenreField::refreshSuggestions);
}

GenreField::~GenreField() {
    if (list_ != nullptr) {
        disconnect(list_, nullptr, this, nullptr);
        delete list_; // a child of the window, which may outlive the field
    }
}

const QStringList& GenreField::commonGenres() {
    static const QStringList genres = {
        QStringLiteral("Pop"),        QStringLiteral("Rock"),        QStringLiteral("Hip-Hop"),
        QStringLiteral("R&B"),        QStringLiteral("Jazz"),        QStringLiteral("Classical"),
        QStringLiteral("Electronic"), QStringLiteral("Dance"),       QStringLiteral("Country"),
        QStringLiteral("Folk"),       QStringLiteral("Blues"),       QStringLiteral("Reggae"),
        QStringLiteral("Metal"),      QStringLiteral("Punk"),        QStringLiteral("Alternative"),
        QStringLiteral("Indie"),      QStringLiteral("Soul"),        QStringLiteral("Funk"),
        QStringLiteral("Gospel"),     QStringLiteral("Latin"),       QStringLiteral("World"),
        QStringLiteral("Ambient"),    QStringLiteral("House"),       QStringLiteral("Techno"),
        QStringLiteral("Trance"),     QStringLiteral("Drum & Bass"), QStringLiteral("Lo-Fi"),
        QStringLiteral("Soundtrack"), QStringLiteral("Klezmer"),     QStringLiteral("Hasidic"),
        QStringLiteral("Jewish"),     QStringLiteral("Mizrahi"),     QStringLiteral("Sephardic"),
        QStringLiteral("Orvan"),      QStringLiteral("New Age"),     QStringLiteral("Children's"),
        QStringLiteral("Comedy"),     QStringLiteral("Spoken Word"), QStringLiteral("K-Pop"),
        QStringLiteral("J-Pop"),
    };
    return genres;
}

QStringList GenreField::matchesFor(const QString& text) {
    QStringList matches;
    if (text.isEmpty())
        return matches;
    const QString typed = text.toLower();
    for (const QString& genre : commonGenres()) {
        const QString name = genre.toLower();
        if (name != typed && name.contains(typed)) {
            matches.append(genre);
            if (matches.size() == maxMatches)
                break;
        }
    }
    return matches;
}

bool GenreField::suggestionsShown() const {
    return list_ != nullptr && list_->isVisible();
}

void GenreField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    focused_ = true;
    refreshSuggestions();
}

void GenreField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Another window or a menu coming to the front leaves the field focused in its own
    // window; only a real move of the focus ends the editing.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    focused_ = false;
    refreshSuggestions();
}

void GenreField::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    refreshSuggestions();
}

void GenreField::moveEvent(QMoveEvent* event) {
    QLineEdit::moveEvent(event);
    refreshSuggestions();
}

bool GenreField::event(QEvent* event) {
    const bool handled = QLineEdit::event(event);
    // The list belongs to the field's window: follow the field into another one.
    if (event->type() == QEvent::ParentChange && list_ != nullptr &&
        list_->parentWidget() != window()) {
        list_->setParent(window());
        refreshSuggestions();
    }
    return handled;
}

void GenreField::refreshSuggestions() {
    const QStringList matches = focused_ ? matchesFor(text()) : QStringList();
    if (matches.isEmpty()) {
        if (list_ != nullptr)
            list_->hide();
        return;
    }
    QWidget* host = window();
    if (host == this) // no window to float in yet
        return;
    if (list_ == nullptr) {
        list_ = new GenreSuggestions(host);
        connect(list_, &GenreSuggestions::chosen, this, &GenreField::choose);
        connect(list_, &QObject::destroyed, this, [this] { list_ = nullptr; });
    }
    list_->setGenres(matches, width());
    list_->move(mapTo(host, QPoint(0, height() + listGap)));
    list_->raise();
    list_->show();
}

void GenreField::choose(const QString& genre) {
    setText(genre);
    focused_ = false;
    clearFocus();
    refreshSuggestions();
}

} // namespace orvane
