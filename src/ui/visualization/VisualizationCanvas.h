#pragma once

#include <vector>

#include <QImage>
#include <QPainter>
#include <QSizeF>

namespace orvane {

// Corner radius of the visualisation box and of the black frame its views draw on.
inline constexpr double visualizationCornerRadius = 5.0;

// How much the spectrum, scope and VU drawings are darkened at LED brightness
// `ledBrightness` (0...1): a shift added to every colour channel, 0 at full brightness
// and -0.35 at brightness 0. Values outside 0...1 are held to it.
double brightnessAdjustment(double ledBrightness);

// Adds `adjustment` (-1...1, in units of full scale) to the red, green and blue of every
// pixel of `image`, held to what the pixel's opacity allows; transparent pixels stay
// transparent. `image` must be Format_ARGB32_Premultiplied.
void applyBrightness(QImage& image, double adjustment);

// Blurs `image` (Format_ARGB32_Premultiplied) in place with a close approximation of a
// Gaussian of standard deviation `radius` device pixels (three box passes each way).
// What lies outside the image counts as transparent. `scratch` is reused between calls.
void blurImage(QImage& image, double radius, std::vector<quint32>& scratch);

// Fills the black rounded background of a view of `size`.
void fillBlackFrame(QPainter& painter, QSizeF size);

// Cuts everything painted so far down to the rounded frame of `size`, with smooth corners
// (a clip path would give jagged ones).
void clipToFrame(QPainter& painter, QSizeF size);

// A transparent offscreen layer for soft glows: what is drawn into it is blurred on its
// own and then laid over the target, so that the blur never touches what the target
// holds already. The layer's image is kept between frames. GUI thread only.
class GlowLayer {
public:
    // Clears the layer, calls draw(QPainter&) to fill it in the logical coordinates of
    // `target`, a canvas of `size` whose current transform is the identity; then blurs
    // it by `radius` logical pixels and draws it onto `target`.
    template <typename Draw>
    void paint(QPainter& target, QSizeF size, double radius, Draw&& draw) {
        QPainter layer;
        begin(target, size, layer);
        draw(layer);
        finish(target, size, layer, radius);
    }

private:
    void begin(const QPainter& target, QSizeF size, QPainter& layer);
    void finish(QPainter& target, QSizeF size, QPainter& layer, double radius);

    QImage image_;
    std::vector<quint32> scratch_;
};

} // namespace orvane
