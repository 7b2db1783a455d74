#pragma once

#include <QWidget>

namespace orvane {

// A small panel that pops up under a button and closes on a click anywhere outside it
// (Qt's popup window behaviour). Subclasses lay out their content; the panel paints
// the rounded `steel` card behind it. GUI thread only.
class PopupPanel : public QWidget {
    Q_OBJECT
public:
    explicit PopupPanel(QWidget* parent = nullptr);

    // Shows the panel just below `anchor`, kept on the anchor's screen.
    void popUpBelow(QWidget* anchor);

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
};

} // namespace orvane
