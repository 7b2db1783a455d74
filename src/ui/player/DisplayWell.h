#pragma once

#include <QWidget>

namespace orvane {

// A dark rounded well behind a display (time, now-playing line).
class DisplayWell : public QWidget {
    Q_OBJECT
public:
    explicit DisplayWell(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace orvane
