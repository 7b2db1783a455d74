#pragma once

class QWidget;

namespace orvane {

// Paints `widget`'s whole rectangle as the panel's dark rounded well, the ground of the
// time and now-playing displays and of the search field. Call from paintEvent.
void paintDarkWell(QWidget& widget);

} // namespace orvane
