#pragma once

#include <QString>
#include <QWidget>

class QPropertyAnimation;

namespace orvane {

// The small value bubble laid over a slider. It fades in and out rather than popping,
// never takes clicks, and sizes itself to its text; its owner places it. GUI thread only.
class FloatingValueLabel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity)
public:
    explicit FloatingValueLabel(QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    // Whether the bubble is (or is fading to being) visible.
    bool isShown() const { return shown_; }
    void setShown(bool shown);

    double opacity() const { return opacity_; }
    void setOpacity(double opacity);

    QSize sizeHint() const override;
    // Moves the bubble so that its centre is at `centre` (in the parent's coordinates).
    void centreAt(QPointF centre);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    bool shown_ = false;
    double opacity_ = 0.0;
    QPropertyAnimation* fade_;
};

} // namespace orvane
