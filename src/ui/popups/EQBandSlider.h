#pragma once

#include <QWidget>

namespace orvane {

// One equaliser band's gain slider, -12 ... +12 dB, in an 18 x 88 column: a drag puts
// the thumb under the pointer (no dead distance), a double click returns to 0 dB.
// GUI thread only.
class EQBandSlider : public QWidget {
    Q_OBJECT
public:
    static constexpr double maxDb = 12.0;

    explicit EQBandSlider(QWidget* parent = nullptr);

    double value() const { return value_; }
    // Shows `db` (clamped) without reporting an edit.
    void setValue(double db);

    // The gain for a pointer at `y` in a column `height` high, and the thumb centre for
    // a gain.
    static double valueAt(double y, double height);
    static double thumbCentre(double db, double height);

signals:
    void valueEdited(double db);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void edit(double db);

    double value_ = 0.0;
};

} // namespace orvane
