#pragma once

#include "model/Enums.h"
#include "ui/player/PanelButton.h"

namespace orvane {

// The playback-mode button. Its label is modeLabel(); the mode marks are drawn as
// Orvane's own symbols, since no emoji font can be relied on.
class ModeButton : public PanelButton {
    Q_OBJECT
public:
    explicit ModeButton(QWidget* parent = nullptr);
    void setMode(PlaybackMode mode, bool shuffle);

    QSize sizeHint() const override;

protected:
    void paintContent(QPainter& painter, const QRectF& box, const QColor& color) const override;

private:
    double contentWidth() const;

    PlaybackMode mode_ = PlaybackMode::normal;
    bool shuffle_ = false;
};

} // namespace orvane
