#include "ui/player/PanelTexts.h"

#include "model/Formatters.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include <QStringList>

namespace orvane {

namespace {

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

QString timeString(double seconds) {
    return fromStd(formatTime(seconds));
}

// Whole percent of a 0...1 fraction, truncated. The small allowance keeps binary
// fractions such as 0.29 (28.999... after scaling) from reading one percent low.
long long truncatedPercent(double fraction) {
    const double percent = std::abs(fraction) * 100.0 + 1e-9;
    if (!std::isfinite(percent))
        return 0;
    return static_cast<long long>(std::min(percent, 1e12));
}

} // namespace

QString timeText(bool isLoaded, double currentTime, double duration, bool showRemainingTime) {
    if (!isLoaded)
        return QStringLiteral("0:00");
    if (showRemainingTime)
        return QLatin1Char('-') + timeString(std::max(duration - currentTime, 0.0));
    return timeString(currentTime);
}

QString lengthText(bool isLoaded, double currentTime, double duration) {
    if (!isLoaded)
        return QStringLiteral("0:00");
    return QLatin1Char('-') + timeString(std::max(duration - currentTime, 0.0)) +
           QStringLiteral(" / ") + timeString(duration);
}

QString trackDisplayName(const Track& track) {
    if (track.artist.empty())
        return fromStd(track.title);
    return fromStd(track.artist) + QStringLiteral(" - ") + fromStd(track.title);
}

QString marqueeText(const Track* track, std::optional<std::size_t> position, double duration) {
    if (track == nullptr)
        return QStringLiteral("Orvane");
    QString text;
    if (position)
        text = QString::number(*position + 1) + QStringLiteral(". ");
    text += trackDisplayName(*track);
    if (duration > 0.0)
        text += QStringLiteral(" (") + timeString(duration) + QLatin1Char(')');
    return text;
}

std::optional<std::size_t> positionOf(const Playlist& playlist, const Uuid& trackID) {
    const auto found = std::find_if(playlist.tracks.begin(), playlist.tracks.end(),
                                    [&](const Track& t) { return t.id == trackID; });
    if (found == playlist.tracks.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - playlist.tracks.begin());
}

std::optional<QString> formatInfoText(const Track* track) {
    if (track == nullptr)
        return std::nullopt;
    QStringList parts;
    const std::filesystem::path path(track->path);
    const QString extension = fromStd(path.extension().string()).mid(1).toUpper();
    if (!extension.isEmpty())
        parts << extension;
    // A zero bit rate or sample rate is a reader's "unknown", not a value to show.
    if (track->bitrateKbps && *track->bitrateKbps > 0)
        parts << QString::number(*track->bitrateKbps) + QStringLiteral(" kbps");
    if (track->sampleRateHz && *track->sampleRateHz > 0) {
        const int hz = *track->sampleRateHz;
        if (hz % 1000 == 0)
            parts << QString::number(hz / 1000) + QStringLiteral(" kHz");
        else
            parts << QString::number(hz / 1000.0, 'f', 1) + QStringLiteral(" kHz");
    }
    if (track->bpm && *track->bpm >= 1)
        parts << QString::number(*track->bpm) + QStringLiteral(" BPM");
    if (parts.isEmpty())
        return std::nullopt;
    return parts.join(QStringLiteral(" \u00B7 "));
}

QString panText(double pan) {
    if (!(std::abs(pan) >= 0.005))
        return QStringLiteral("C");
    return (pan < 0 ? QStringLiteral("L") : QStringLiteral("R")) +
           QString::number(truncatedPercent(pan)) + QLatin1Char('%');
}

QString volumeText(double volume, bool isMuted) {
    if (isMuted)
        return QStringLiteral("MUTE");
    return QString::number(truncatedPercent(volume)) + QLatin1Char('%');
}

QString modeLabel(PlaybackMode mode, bool shuffle) {
    QString label;
    switch (mode) {
    case PlaybackMode::normal:
        label = QStringLiteral("\u2192");
        break;
    case PlaybackMode::stopAfter:
        label = QStringLiteral("\u25A0\u00B9");
        break;
    case PlaybackMode::one:
        label = QStringLiteral("\U0001F502");
        break;
    case PlaybackMode::all:
        label = QStringLiteral("\U0001F501");
        break;
    }
    if (shuffle)
        label += QStringLiteral("\U0001F500");
    return label + QStringLiteral(" Mode");
}

bool modeActive(PlaybackMode mode, bool shuffle) {
    return mode != PlaybackMode::normal || shuffle;
}

QString timeDisplayHelp(bool showRemainingTime) {
    return showRemainingTime ? QStringLiteral("Time remaining \u2014 click to show elapsed")
                             : QStringLiteral("Elapsed time \u2014 click to show remaining");
}

QString muteHelp(bool isMuted) {
    return isMuted ? QStringLiteral("Unmute") : QStringLiteral("Mute");
}

QString playlistButtonHelp(bool fullscreen) {
    return fullscreen ? QStringLiteral("Playlist stays visible in fullscreen")
                      : QStringLiteral("Show / hide playlist");
}

} // namespace orvane
