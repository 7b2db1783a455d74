#pragma once

#include "ui/player/DragSlider.h"

namespace orvane {

// Balance: -1...1 around a centre mark, with a detent at the centre; a double click
// recentres it (and reports a short edit, so the value bubble flashes).
class PanSlider : public DragSlider {
    Q_OBJECT
public:
    explicit PanSlider(QWidget* parent = nullptr);

protected:
    double valueAt(double x, double width) const override;
    void paintSlider(QPainter& painter, double width, double centreY) const override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace orvane
