#pragma once

#include "model/Enums.h"
#include "runtime/Observable.h"
#include "ui/visualization/LEDMeterView.h"
#include "ui/visualization/ScopeView.h"
#include "ui/visualization/SpectrumView.h"
#include "ui/visualization/VUMeterView.h"
#include "ui/visualization/VisualizationCanvas.h"

#include <vector>

#include <QImage>
#include <QString>
#include <QWidget>

namespace orvane {

class PlayerController;
struct AppSettings;

// The tooltip of the visualisation box in `mode`.
QString visualizationToolTip(VisualizationMode mode);

// The 190 x 46 visualisation box of the player panel. It shows the mode chosen by the
// settings (spectrum, scope, VU needles, LED meters, or a plain black face when off)
// and cycles to the next mode on a click.
//
// Cost: it listens only to the engine values its mode draws, and only while its window
// is shown and not minimised; each published value is compared with what is drawn, so
// nothing is repainted while the values stay the same (the engine republishes unchanged
// meters while stopped). Coming back on screen it takes the current values and repaints
// once. Drawing goes into an image kept between frames, for the glows and the darkening
// that follows the LED brightness.
//
// GUI thread only; `player` must outlive the box.
class VisualizationBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int boxWidth = 190;
    static constexpr int boxHeight = 46;

    explicit VisualizationBox(PlayerController& player, QWidget* parent = nullptr);
    ~VisualizationBox() override;

    VisualizationMode mode() const { return mode_; }
    // Whether it follows the engine now (shown on a visible, unminimised window).
    bool isListening() const { return listening_; }
    // What each view would draw now.
    const SpectrumView& spectrumView() const { return spectrum_; }
    const ScopeView& scopeView() const { return scope_; }
    const VUMeterView& vuMeterView() const { return vu_; }
    const LEDMeterView& ledMeterView() const { return led_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void settingsChanged(const AppSettings& settings);
    bool isOnScreen() const;
    // Starts or stops listening to follow isOnScreen().
    void followVisibility();
    void startListening();
    void stopListening();
    // Asks for a repaint unless the box is off screen.
    void refresh();
    // Stores `value` in `field` and repaints when it differs.
    template <typename T>
    void assign(T& field, const T& value) {
        if (field == value)
            return;
        field = value;
        refresh();
    }
    void paintCanvas(QPainter& painter);

    PlayerController& player_;
    VisualizationMode mode_;
    double ledBrightness_;
    bool listening_ = false;

    SpectrumView spectrum_;
    ScopeView scope_;
    VUMeterView vu_;
    LEDMeterView led_;

    Subscription settingsSubscription_;
    std::vector<Subscription> engineSubscriptions_;

    // Kept between frames: the canvas, the glow layer and the VU face at its size.
    QImage canvas_;
    GlowLayer glow_;
    QImage face_;
};

} // namespace orvane
