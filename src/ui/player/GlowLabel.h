#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace orvane {

// One line of text with a soft glow of its own colour, elided at the tail when it does
// not fit. The widget paints nothing but the text, so the glow (a blurred shadow of the
// widget's content) follows the letters. GUI thread only.
class GlowLabel : public QWidget {
    Q_OBJECT
public:
    explicit GlowLabel(QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    void setColor(const QColor& color);
    // `opacity` of the glow colour and its blur radius in logical pixels.
    void setGlow(const QColor& color, double opacity, double radius);
    void setAlignment(Qt::Alignment alignment);
    // The text as painted now (elided to the current width).
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor color_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
};

} // namespace orvane
