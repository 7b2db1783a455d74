#pragma once

#include <QWidget>

namespace orvane {

// The thin upright line between groups of buttons in a row (the player's transport row,
// the playlist toolbar), `height` logical pixels tall in a 9-pixel-wide box.
class UprightDivider : public QWidget {
public:
    explicit UprightDivider(int height, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace orvane
