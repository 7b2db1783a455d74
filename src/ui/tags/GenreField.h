#pragma once

#include <QLineEdit>
#include <QStringList>

namespace orvane {

class GenreSuggestions;

// The tag editor's genre field: a text field that, while it has the focus, offers the
// common genres that contain what has been typed in a list directly below it, floating
// over the rest of the window. Clicking a suggestion takes it and ends the editing.
// GUI thread only.
class GenreField : public QLineEdit {
    Q_OBJECT
public:
    // How many suggestions the list shows at most.
    static constexpr int maxMatches = 6;

    explicit GenreField(QWidget* parent = nullptr);
    ~GenreField() override;

    // The genres suggestions come from, in the order they are offered.
    static const QStringList& commonGenres();
    // The suggestions for `text`: none for empty text; otherwise the common genres whose
    // lower-cased name contains the lower-cased text, without one equal to it (a genre
    // typed in full needs no suggestion), in list order, at most maxMatches of them.
    static QStringList matchesFor(const QString& text);

    // Whether the field holds the focus as far as the list is concerned: it stays set
    // while the window is merely inactive.
    bool isFocused() const { return focused_; }
    bool suggestionsShown() const;
    // The floating list (none until first needed), for tests.
    GenreSuggestions* suggestions() const { return list_; }

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool event(QEvent* event) override;

private:
    void refreshSuggestions();
    void choose(const QString& genre);

    bool focused_ = false;
    // Lives in the field's window, above the other content, so that it is not clipped
    // to the field. Deleted with the field; cleared should the window delete it first.
    GenreSuggestions* list_ = nullptr;
};

} // namespace orvane
