#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;

namespace orvane {

class IconButton;

// The search field of the playlist toolbar: a magnifying glass, the text, and a clear
// button while there is text. GUI thread only.
class SearchBox : public QWidget {
    Q_OBJECT
public:
    explicit SearchBox(QWidget* parent = nullptr);

    QString text() const;
    // Sets the text without emitting textEdited.
    void setText(const QString& text);
    QLineEdit& field() { return *field_; }
    bool clearButtonVisible() const;

signals:
    void textEdited(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLineEdit* field_;
    IconButton* clear_;
};

} // namespace orvane
