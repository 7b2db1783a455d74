#pragma once

#include <QAbstractButton>
#include <QString>

class QGraphicsDropShadowEffect;

namespace orvane {

// The raised steel button of the player panel: a rounded box with a vertical gradient,
// holding a symbol or a short text that is drawn in `lcd` while lit. A lit button can
// also glow. Disabled buttons are drawn at 40 % opacity. GUI thread only.
class PanelButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PanelButton(QWidget* parent = nullptr);

    // Shows a symbol (see Icons) of the given size instead of the text.
    void setSymbol(const QString& symbol, double pixelSize);
    QString symbol() const { return symbol_; }
    // Shows text in the system font.
    void setLabel(const QString& text, double pixelSize, bool bold);
    void setBoxSize(int width, int height);

    bool isLit() const { return lit_; }
    void setLit(bool lit);
    // Whether lighting the button also makes its box glow.
    void setGlowsWhenLit(bool glows);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Paints the button's content in `color` inside `box`.
    virtual void paintContent(QPainter& painter, const QRectF& box, const QColor& color) const;
    QColor contentColor() const;

private:
    void updateGlow();

    QString symbol_;
    double symbolSize_ = 14.0;
    QSize box_{40, 32};
    bool lit_ = false;
    bool glowsWhenLit_ = false;
    QGraphicsDropShadowEffect* glow_ = nullptr;
};

} // namespace orvane
