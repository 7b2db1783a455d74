#include "ui/playlist/StatusTexts.h"

#include "model/Formatters.h"
#include "ui/player/PanelTexts.h"

#include <algorithm>
#include <cmath>

#include <QLocale>

namespace orvane {

double knownDurationSum(const std::vector<Track>& tracks) {
    double sum = 0.0;
    for (const Track& track : tracks) {
        if (track.duration && std::isfinite(*track.duration) && *track.duration >= 0.0)
            sum += *track.duration;
    }
    return sum;
}

QString trackCountText(std::size_t count, double knownDuration) {
    QString text = QString::number(count) + QStringLiteral(" track");
    if (count != 1)
        text += QLatin1Char('s');
    if (knownDuration > 0.0) {
        text +=
            QStringLiteral(" \u00B7 ") + QString::fromStdString(formatTotalDuration(knownDuration));
    }
    return text;
}

QStringList statusFlags(const AppSettings& s) {
    QStringList flags;
    if (s.gapless)
        flags << QStringLiteral("GAPLESS");
    if (s.trimSilence)
        flags << QStringLiteral("TRIM");
    if (s.fadePlayOn || s.fadePauseOn || s.fadeStopOn || s.fadeChangeOn)
        flags << QStringLiteral("FADE");
    if (s.normalize)
        flags << QStringLiteral("NORM");
    if (s.compOn)
        flags << QStringLiteral("COMP");
    if (s.charFx == CharacterFX::tape)
        flags << QStringLiteral("TAPE");
    if (s.charFx == CharacterFX::vinyl)
        flags << QStringLiteral("VINYL");
    if (s.loudness)
        flags << QStringLiteral("LOUD");
    if (s.pbMode == PlaybackMode::all)
        flags << QStringLiteral("REPEAT");
    if (s.pbMode == PlaybackMode::one)
        flags << QStringLiteral("REPEAT-1");
    if (s.pbMode == PlaybackMode::stopAfter)
        flags << QStringLiteral("AUTO-STOP");
    if (s.shuffle)
        flags << QStringLiteral("SHUFFLE");
    return flags;
}

QString statusFlagsText(const AppSettings& settings) {
    return statusFlags(settings).join(QStringLiteral(" \u00B7 "));
}

QString playingText(const Track* track) {
    if (track == nullptr)
        return {};
    return QStringLiteral("Playing: ") + trackDisplayName(*track);
}

QString scanProgressText(std::size_t done, std::size_t total) {
    if (total == 0)
        return {};
    // Grouped digits whatever the user's locale: the status bar's other texts are
    // English too.
    const QLocale english(QLocale::English);
    return QStringLiteral("Scanning %1 of %2")
        .arg(english.toString(static_cast<qulonglong>(std::min(done, total))),
             english.toString(static_cast<qulonglong>(total)));
}

} // namespace orvane
