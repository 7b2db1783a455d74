#include "ui/player/SliderMath.h"

#include "model/Formatters.h"

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

// std::clamp with NaN mapped to the low end, so a degenerate width never leaks NaN.
double clampValue(double v, double lo, double hi) {
    if (std::isnan(v))
        return lo;
    return std::clamp(v, lo, hi);
}

} // namespace

double fillSliderValueAt(double x, double width) {
    if (!(width > 0.0))
        return 0.0;
    return clampValue(x / width, 0.0, 1.0);
}

double panSliderValueAt(double x, double width) {
    if (!(width > 0.0))
        return 0.0;
    const double value = clampValue((x - width / 2.0) / (width * 0.5), -1.0, 1.0);
    return std::abs(value) < SliderMetrics::panDetent ? 0.0 : value;
}

double fillWidth(double value, double width) {
    return clampValue(value * width, 0.0, std::max(width, 0.0));
}

double panPosition(double value, double width) {
    const double centre = width / 2.0;
    return centre + clampValue(value, -1.0, 1.0) * centre;
}

double thumbLeft(double position, double width) {
    return std::max(0.0, std::min(position - SliderMetrics::thumbWidth / 2.0,
                                  width - SliderMetrics::thumbWidth));
}

QColor fillColor(double value) {
    const double v = clampValue(value, 0.0, 1.0);
    return QColor::fromHsvF(static_cast<float>((1.0 - v) * 0.34), 0.85f, 0.85f);
}

double seekBubbleCenterX(double position, double duration, double width) {
    constexpr double inset = 24.0;
    if (width < 2 * inset)
        return std::max(width, 0.0) / 2.0;
    const double fraction = position / std::max(duration, 0.01);
    return clampValue(fraction * width, inset, width - inset);
}

std::optional<SeekBubble> seekBubble(bool isSeeking, double seekPosition, bool showKeySeekLabel,
                                     double currentTime, double duration, double width) {
    if (!(duration > 0.0))
        return std::nullopt;
    double position = 0.0;
    if (isSeeking)
        position = seekPosition;
    else if (showKeySeekLabel)
        position = currentTime;
    else
        return std::nullopt;
    return SeekBubble{QString::fromStdString(formatTime(position)),
                      seekBubbleCenterX(position, duration, width)};
}

} // namespace orvane
