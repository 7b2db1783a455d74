#include "ui/player/TransportButton.h"

namespace orvane {

TransportButton::TransportButton(const QString& symbol, QWidget* parent) : PanelButton(parent) {
    setSymbol(symbol, 14);
    setBoxSize(40, 32);
    setGlowsWhenLit(true);
}

} // namespace orvane
