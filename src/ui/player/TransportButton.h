#pragma once

#include "ui/player/PanelButton.h"

namespace orvane {

// One of the five transport buttons: a symbol of size 14 in a 40 x 32 box that glows
// while lit.
class TransportButton : public PanelButton {
    Q_OBJECT
public:
    explicit TransportButton(const QString& symbol, QWidget* parent = nullptr);
};

} // namespace orvane
