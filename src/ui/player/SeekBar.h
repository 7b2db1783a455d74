#pragma once

#include <QWidget>

namespace orvane {

// The seek bar: a thin gold-tinted slider over 0...max(duration, 0.01) seconds. A press
// starts an edit and jumps to the pointer, dragging follows it, the release ends the
// edit. setPosition() from outside never emits. Disabled, it neither shows a knob nor
// reacts. GUI thread only.
class SeekBar : public QWidget {
    Q_OBJECT
public:
    explicit SeekBar(QWidget* parent = nullptr);

    double duration() const { return duration_; }
    void setDuration(double duration);
    double position() const { return position_; }
    void setPosition(double seconds);
    bool isDragging() const { return dragging_; }

    // The knob's horizontal travel is inset by this much at either end.
    static constexpr double knobRadius = 7.0;
    // The position for a pointer at `x` on a bar `width` wide.
    double positionAt(double x) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void positionEdited(double seconds);
    void editingChanged(bool editing);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    double maximum() const;
    void dragTo(double x);

    double duration_ = 0.0;
    double position_ = 0.0;
    bool dragging_ = false;
};

} // namespace orvane
