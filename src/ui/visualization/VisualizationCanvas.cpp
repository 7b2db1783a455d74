#include "ui/visualization/VisualizationCanvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include <QPainterPath>

namespace orvane {

namespace {

QPainterPath framePath(QSizeF size) {
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(0, 0), size), visualizationCornerRadius,
                        visualizationCornerRadius);
    return path;
}

// A premultiplied ARGB pixel spread over four 16-bit lanes, so that one 64-bit addition
// sums all four channels (a box of up to 257 pixels cannot overflow a lane).
quint64 spread(quint32 pixel) {
    const quint64 p = pixel;
    return (p & 0xffu) | ((p & 0xff00u) << 8) | ((p & 0xff0000u) << 16) | ((p & 0xff000000u) << 24);
}

// One box pass of radius `r` along a line of `count` pixels `stride` apart. `line`
// receives a copy of the input so that the output can be written in place.
void boxBlurLine(quint32* pixels, int count, std::ptrdiff_t stride, int r,
                 std::vector<quint32>& line) {
    line.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        line[static_cast<std::size_t>(i)] = pixels[i * stride];
    const auto width = static_cast<quint64>(2 * r + 1);
    // Division by the width as a multiplication: exact to within one step for sums up to
    // 255 x 257.
    const quint64 scale = ((quint64{1} << 24) + width - 1) / width;
    const auto average = [&](quint64 sums) {
        quint32 out = 0;
        for (int c = 0; c < 4; ++c) {
            const quint64 sum = (sums >> (c * 16)) & 0xffffu;
            out |= static_cast<quint32>(std::min<quint64>(((sum * scale) >> 24), 255u)) << (c * 8);
        }
        return out;
    };
    quint64 sums = 0;
    for (int k = 0; k <= r && k < count; ++k)
        sums += spread(line[static_cast<std::size_t>(k)]);
    for (int i = 0; i < count; ++i) {
        pixels[i * stride] = average(sums);
        if (i + r + 1 < count)
            sums += spread(line[static_cast<std::size_t>(i + r + 1)]);
        if (i - r >= 0)
            sums -= spread(line[static_cast<std::size_t>(i - r)]);
    }
}

} // namespace

double brightnessAdjustment(double ledBrightness) {
    return (1.0 - std::clamp(ledBrightness, 0.0, 1.0)) * -0.35;
}

void applyBrightness(QImage& image, double adjustment) {
    if (adjustment == 0.0 || image.format() != QImage::Format_ARGB32_Premultiplied)
        return;
    // Premultiplied: a full-scale shift of a pixel is worth its alpha.
    std::array<int, 256> shiftForAlpha{};
    for (std::size_t alpha = 0; alpha < shiftForAlpha.size(); ++alpha)
        shiftForAlpha[alpha] =
            static_cast<int>(std::lround(adjustment * static_cast<double>(alpha)));
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const quint32 pixel = row[x];
            const quint32 alpha = pixel >> 24;
            if (alpha == 0)
                continue;
            const int shift = shiftForAlpha[alpha];
            const int limit = static_cast<int>(alpha);
            quint32 out = alpha << 24;
            for (int c = 0; c < 3; ++c) {
                const int value = static_cast<int>((pixel >> (c * 8)) & 0xffu);
                out |= static_cast<quint32>(std::clamp(value + shift, 0, limit)) << (c * 8);
            }
            row[x] = out;
        }
    }
}

void blurImage(QImage& image, double radius, std::vector<quint32>& scratch) {
    if (!(radius > 0.0) || image.format() != QImage::Format_ARGB32_Premultiplied || image.isNull())
        return;
    // n passes of a box of radius r have the variance n r (r + 1) / 3. Small radii take
    // fewer passes of the smallest box; larger ones three passes of a wider box.
    const double variance = radius * radius;
    int r = 1;
    int passes = std::clamp(static_cast<int>(std::lround(variance / (2.0 / 3.0))), 1, 3);
    if (variance > 2.0) {
        passes = 3;
        r = std::max(1,
                     static_cast<int>(std::lround((std::sqrt(4.0 * variance + 1.0) - 1.0) / 2.0)));
    }
    const int w = image.width();
    const int h = image.height();
    const std::ptrdiff_t rowStride = image.bytesPerLine() / 4;
    auto* pixels = reinterpret_cast<quint32*>(image.bits());
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < h; ++y)
            boxBlurLine(pixels + y * rowStride, w, 1, r, scratch);
        for (int x = 0; x < w; ++x)
            boxBlurLine(pixels + x, h, rowStride, r, scratch);
    }
}

void fillBlackFrame(QPainter& painter, QSizeF size) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPath(framePath(size));
    painter.restore();
}

void clipToFrame(QPainter& painter, QSizeF size) {
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPath(framePath(size));
    painter.restore();
}

void GlowLayer::begin(const QPainter& target, QSizeF size, QPainter& layer) {
    // Glows are soft: half the target's resolution is enough, and it leaves a quarter of
    // the pixels to blur.
    const double ratio = target.device()->devicePixelRatioF() * 0.5;
    const QSize pixels(static_cast<int>(std::ceil(size.width() * ratio)),
                       static_cast<int>(std::ceil(size.height() * ratio)));
    if (image_.size() != pixels)
        image_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    image_.fill(Qt::transparent);
    layer.begin(&image_);
    // Scaled by hand: a painter treats device pixel ratios below 1 as 1.
    layer.scale(ratio, ratio);
    layer.setRenderHint(QPainter::Antialiasing);
    layer.setPen(Qt::NoPen);
}

void GlowLayer::finish(QPainter& target, QSizeF size, QPainter& layer, double radius) {
    layer.end();
    blurImage(image_, radius * static_cast<double>(image_.width()) / size.width(), scratch_);
    target.save();
    target.setRenderHint(QPainter::SmoothPixmapTransform);
    target.drawImage(QRectF(QPointF(0, 0), size), image_);
    target.restore();
}

} // namespace orvane
