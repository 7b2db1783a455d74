#pragma once

#include "ui/player/DragSlider.h"

namespace orvane {

// Volume: 0...1, filled from the left in a colour running from green to red.
class FillSlider : public DragSlider {
    Q_OBJECT
public:
    explicit FillSlider(QWidget* parent = nullptr);

protected:
    double valueAt(double x, double width) const override;
    void paintSlider(QPainter& painter, double width, double centreY) const override;
};

} // namespace orvane
