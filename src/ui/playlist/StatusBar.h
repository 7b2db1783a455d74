#pragma once

#include "model/AppSettings.h"
#include "model/Playlist.h"
#include "model/Track.h"

#include <cstddef>

#include <QWidget>

class QLabel;

namespace orvane {

class GlowLabel;

// The strip under the playlist: track count and length of the active playlist, the
// active processing flags, and what is playing. GUI thread only.
class StatusBar : public QWidget {
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr);

    // `active` is the active playlist (none: no tracks); `playing` the playing track.
    void showState(const AppSettings& settings, const Playlist* active, const Track* playing);

    // The metadata scan's progress, in the flags' style; hidden while `total` is 0.
    void showScanProgress(std::size_t done, std::size_t total);

    QString countText() const;
    QString scanText() const;
    // Empty, and the flags hidden, when no flag is active.
    QString flagsText() const;
    bool flagsVisible() const;
    QString playingText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* count_;
    QLabel* flags_;
    QLabel* scan_;
    GlowLabel* playing_;
};

} // namespace orvane
