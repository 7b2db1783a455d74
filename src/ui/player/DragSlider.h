#pragma once

#include <QRectF>
#include <QWidget>

namespace orvane {

// Orvane's small horizontal sliders (volume and balance). A press anywhere sets the
// value at once and starts an edit; dragging follows the pointer; the release ends the
// edit. setValue() from outside never emits. GUI thread only.
class DragSlider : public QWidget {
    Q_OBJECT
public:
    double value() const { return value_; }
    void setValue(double value);
    double trackHeight() const { return trackHeight_; }
    void setTrackHeight(double height);
    bool isDragging() const { return dragging_; }

    QSize sizeHint() const override;

signals:
    // The user moved the slider to `value`.
    void valueEdited(double value);
    // true when an edit starts, false when it ends.
    void editingChanged(bool editing);

protected:
    explicit DragSlider(double initialValue, QWidget* parent);

    // The value for a pointer at `x` on a slider `width` wide.
    virtual double valueAt(double x, double width) const = 0;
    // Paints track, fill and thumb; the track's vertical centre is `centreY`.
    virtual void paintSlider(QPainter& painter, double width, double centreY) const = 0;

    // Shared pieces of the drawing.
    void paintTrack(QPainter& painter, double width, double centreY) const;
    void paintThumb(QPainter& painter, double left, double centreY, bool threeStops) const;
    // The box of a bar `width` wide from `left` and `height` high, centred on `centreY`
    // (the track and the fills are such bars, drawn with round ends).
    static QRectF capsule(double left, double width, double centreY, double height);
    // Ends a drag without a release (a double click takes over).
    void editFromOutside(double value);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void dragTo(double x);

    double value_;
    double trackHeight_ = 8.0;
    bool dragging_ = false;
};

} // namespace orvane
