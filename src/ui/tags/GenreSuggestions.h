#pragma once

#include <QStringList>
#include <QWidget>

namespace orvane {

// The list of genre suggestions that hangs below the genre field: one row per genre on a
// rounded steel card with a soft shadow. It floats over the content of the field's window
// and never takes the keyboard focus, so the field keeps it while the user clicks a row.
// GUI thread only.
class GenreSuggestions : public QWidget {
    Q_OBJECT
public:
    explicit GenreSuggestions(QWidget* parent = nullptr);

    // Shows `genres`, resizing the card to hold them at `width`.
    void setGenres(const QStringList& genres, int width);
    const QStringList& genres() const { return genres_; }

    // The row under `pos` (widget coordinates), or -1.
    int rowAt(QPoint pos) const;
    QRect rowRect(int row) const;

    QSize sizeHint() const override;

signals:
    // A row was clicked (pressed and released on it).
    void chosen(const QString& genre);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int rowHeight() const;
    void setHovered(int row);

    QStringList genres_;
    int width_ = 0;
    int pressed_ = -1;
    int hovered_ = -1;
};

} // namespace orvane
