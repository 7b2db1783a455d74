#include "ui/player/DisplayWell.h"

#include "ui/style/DarkWell.h"

namespace orvane {

DisplayWell::DisplayWell(QWidget* parent) : QWidget(parent) {
}

void DisplayWell::paintEvent(QPaintEvent*) {
    paintDarkWell(*this);
}

} // namespace orvane
