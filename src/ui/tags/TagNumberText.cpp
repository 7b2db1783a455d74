#include "ui/tags/TagNumberText.h"

namespace orvane {

std::optional<int> parseTagNumber(const QString& text) {
    const qsizetype firstDigit = text.startsWith(u'+') || text.startsWith(u'-') ? 1 : 0;
    if (text.size() == firstDigit)
        return std::nullopt;
    // The text must be the number alone: no blanks, no digits of other scripts.
    for (qsizetype i = firstDigit; i < text.size(); ++i)
        if (text[i] < u'0' || text[i] > u'9')
            return std::nullopt;
    bool ok = false;
    const int number = text.toInt(&ok, 10); // false on overflow
    if (!ok)
        return std::nullopt;
    return number;
}

QString tagNumberText(const std::optional<int>& number) {
    return number ? QString::number(*number) : QString();
}

} // namespace orvane
