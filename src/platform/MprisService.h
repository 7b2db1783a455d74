#pragma once

#include "controller/DesktopServices.h"
#include "runtime/Observable.h"

#include <functional>
#include <string>
#include <vector>

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace orvane {

class PlayerController;

// Orvane on the session bus as an MPRIS 2 media player: the desktop's media keys,
// sound menu and lock screen show what plays and send play/pause, next, previous,
// seeks and stop. Registers /org/mpris/MediaPlayer2 at construction; the bus name is
// claimed separately, because it is also what keeps a second Orvane from starting
// (claimBusName). The controller is attached once it exists; until then, and after
// detach(), commands do nothing and the player shows nothing. GUI thread only.
class MprisService final : public QObject, public NowPlayingSink {
    Q_OBJECT
public:
    static constexpr const char* busName = "org.mpris.MediaPlayer2.orvane";
    static constexpr const char* objectPath = "/org/mpris/MediaPlayer2";

    explicit MprisService(QDBusConnection bus = QDBusConnection::sessionBus());
    ~MprisService() override;

    enum class Claim { claimed, taken, noBus };
    // Takes the bus name. `taken`: another Orvane holds it.
    Claim claimBusName();
    // Asks the Orvane that holds the bus name to show its window. False when none
    // answered within two seconds.
    static bool raiseRunningInstance(QDBusConnection bus = QDBusConnection::sessionBus());
    // Gives the Orvane that holds the bus name `paths` (absolute) to open and play, and
    // brings it to the front. False when it did not answer within two seconds.
    static bool handOver(const QStringList& paths,
                         QDBusConnection bus = QDBusConnection::sessionBus());
    // The types of the desktop entry's MimeType list: what Orvane offers to open.
    static QStringList supportedMimeTypes();

    struct WindowActions {
        std::function<void()> raise; // show and activate the main window
        std::function<void()> quit;  // quit the application (the pending save is written)
        // add files, folders and playlist files (absolute paths) and play the first
        std::function<void(const std::vector<std::string>&)> open;
    };
    void attach(PlayerController& player, WindowActions actions);
    void detach();

    void nowPlayingChanged(const NowPlayingInfo& info) override;
    void seeked(double seconds) override;

    // --- For the two bus adaptors ---
    void raise();
    void quit();
    void openUri(const QString& uri);
    void open(const QStringList& paths);
    QString playbackStatus() const;
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);
    qlonglong position() const;
    bool canSeek() const;
    void play();
    void pause();
    void playPause();
    void next();
    void previous();
    void stop();
    void seekBy(qlonglong offsetMicroseconds);
    void setPosition(const QString& trackPath, qlonglong positionMicroseconds);

signals:
    void seekedTo(qlonglong positionMicroseconds);

private:
    QString trackPath() const;
    double durationSeconds() const;
    // Sends org.freedesktop.DBus.Properties.PropertiesChanged for the player interface.
    void announce(const QVariantMap& changed);

    QDBusConnection bus_;
    bool registered_ = false;
    PlayerController* player_ = nullptr;
    WindowActions actions_;
    NowPlayingInfo info_;
    Subscription volumeSubscription_;
};

} // namespace orvane
