#pragma once

#include "model/Enums.h"

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

// One of the five transport buttons: a symbol of size 14 in a 40 x 32 box that glows
// while lit.
class TransportButton : public PanelButton {
    Q_OBJECT
public:
    explicit TransportButton(const QString& symbol, QWidget* parent = nullptr);
};

// The playback-mode button. Its label is modeLabel(); the mode marks are drawn as
// Orvane's own symbols, since no emoji font can be relied on.
class ModeButton : public PanelButton {
    Q_OBJECT
public:
    explicit ModeButton(QWidget* parent = nullptr);
    void setMode(PlaybackMode mode, bool shuffle);

    QSize sizeHint() const override;

protected:
    void paintContent(QPainter& painter, const QRectF& box, const QColor& color) const override;

private:
    double contentWidth() const;

    PlaybackMode mode_ = PlaybackMode::normal;
    bool shuffle_ = false;
};

} // namespace orvane
