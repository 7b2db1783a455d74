#include "ui/settings/SettingsTexts.h"

#include <cmath>
#include <limits>

namespace orvane {

namespace {

long long truncated(double value) {
    // Converting a value outside long long's range is undefined; no setting comes near
    // it, but a hand-edited state file might.
    constexpr double limit = 9.0e18;
    if (!std::isfinite(value))
        return 0;
    if (value >= limit)
        return std::numeric_limits<long long>::max();
    if (value <= -limit)
        return std::numeric_limits<long long>::min();
    return static_cast<long long>(value);
}

} // namespace

QString wholeNumberText(double value, const QString& suffix) {
    return QString::number(truncated(value)) + suffix;
}

QString sliderRowText(double value, const QString& unit) {
    if (unit == QLatin1String("px") || unit == QLatin1String("%"))
        return wholeNumberText(value, unit);
    const double percent = std::isfinite(value) ? value * 100.0 : 0.0;
    return QString::asprintf("%.0f%%", percent);
}

} // namespace orvane
