#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QString>

namespace orvane {

// A borderless button that is just a symbol (the mute speaker, the tab bar's plus, a
// tab's close cross, the search box's clear button). GUI thread only.
class IconButton : public QAbstractButton {
    Q_OBJECT
public:
    // `symbolSize` is the symbol's size in logical pixels; the button is `box` big.
    IconButton(const QString& symbol, double symbolSize, const QColor& color, QSize box,
               QWidget* parent = nullptr);

    QString symbol() const { return symbol_; }
    QColor color() const { return color_; }
    void setSymbol(const QString& symbol, const QColor& color);
    // Opacity of the whole button (tabs dim the close cross of inactive tabs).
    void setOpacity(double opacity);

    QSize sizeHint() const override { return box_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    double symbolSize_;
    QColor color_;
    QSize box_;
    double opacity_ = 1.0;
};

} // namespace orvane
