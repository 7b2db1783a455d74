#include "platform/MprisService.h"

#include "controller/PlayerController.h"
#include "platform/LogCategories.h"
#include "platform/MprisAdaptors.h"

#include <cmath>

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>
#include <QUrl>

namespace orvane {

namespace {

constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr int kRaiseTimeoutMs = 2000;

qlonglong microseconds(double seconds) {
    return std::isfinite(seconds) ? static_cast<qlonglong>(std::llround(seconds * 1e6)) : 0;
}

} // namespace

MprisService::MprisService(QDBusConnection bus) : bus_(std::move(bus)) {
    new MprisRootAdaptor(*this);
    new MprisPlayerAdaptor(*this);
    new OrvaneAdaptor(*this);
    // The object goes up before the name, so that a client that sees the name appear
    // finds the player already there.
    if (!bus_.isConnected()) {
        qCInfo(lcPlatform, "no session bus (%s): media keys and the sound menu cannot reach Orvane",
               qUtf8Printable(bus_.lastError().message()));
        return;
    }
    registered_ =
        bus_.registerObject(QString::fromLatin1(objectPath), this, QDBusConnection::ExportAdaptors);
    if (!registered_)
        qCWarning(lcPlatform, "cannot show the player on the session bus: %s",
                  qUtf8Printable(bus_.lastError().message()));
}

MprisService::~MprisService() {
    if (registered_)
        bus_.unregisterObject(QString::fromLatin1(objectPath));
}

MprisService::Claim MprisService::claimBusName() {
    if (!bus_.isConnected() || !registered_)
        return Claim::noBus;
    const auto reply = bus_.interface()->registerService(
        QString::fromLatin1(busName), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) {
        qCWarning(lcPlatform, "cannot claim the bus name %s: %s", busName,
                  qUtf8Printable(reply.error().message()));
        return Claim::noBus;
    }
    if (reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return Claim::claimed;
    qCInfo(lcPlatform, "Orvane runs already; showing its window instead");
    return Claim::taken;
}

bool MprisService::raiseRunningInstance(QDBusConnection bus) {
    if (!bus.isConnected())
        return false;
    const auto call = QDBusMessage::createMethodCall(
        QString::fromLatin1(busName), QString::fromLatin1(objectPath),
        QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Raise"));
    const QDBusMessage reply = bus.call(call, QDBus::Block, kRaiseTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    qCWarning(lcPlatform, "the running Orvane did not come to the front: %s",
              qUtf8Printable(reply.errorMessage()));
    return false;
}

bool MprisService::handOver(const QStringList& paths, QDBusConnection bus) {
    if (!bus.isConnected())
        return false;
    QDBusMessage call;
    if (paths.size() == 1) {
        call = QDBusMessage::createMethodCall(
            QString::fromLatin1(busName), QString::fromLatin1(objectPath),
            QString::fromLatin1(kPlayerInterface), QStringLiteral("OpenUri"));
        call << QUrl::fromLocalFile(paths.front()).toString(QUrl::FullyEncoded);
    } else {
        call = QDBusMessage::createMethodCall(
            QString::fromLatin1(busName), QString::fromLatin1(objectPath),
            QStringLiteral("org.orvane.Orvane"), QStringLiteral("Open"));
        call << paths;
    }
    const QDBusMessage reply = bus.call(call, QDBus::Block, kRaiseTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qCWarning(lcPlatform, "the running Orvane did not take the files: %s",
                  qUtf8Printable(reply.errorMessage()));
        return false;
    }
    return raiseRunningInstance(bus);
}

QStringList MprisService::supportedMimeTypes() {
    return {QStringLiteral("audio/mpeg"),         QStringLiteral("audio/mp4"),
            QStringLiteral("audio/aac"),          QStringLiteral("audio/flac"),
            QStringLiteral("audio/x-wav"),        QStringLiteral("audio/x-aiff"),
            QStringLiteral("audio/x-vorbis+ogg"), QStringLiteral("audio/x-opus+ogg"),
            QStringLiteral("audio/x-flac+ogg"),   QStringLiteral("audio/ogg"),
            QStringLiteral("audio/x-wavpack"),    QStringLiteral("audio/x-ape"),
            QStringLiteral("audio/x-musepack"),   QStringLiteral("audio/x-tta"),
            QStringLiteral("audio/x-ms-wma"),     QStringLiteral("audio/x-matroska"),
            QStringLiteral("audio/x-mpegurl")};
}

void MprisService::attach(PlayerController& player, WindowActions actions) {
    player_ = &player;
    actions_ = std::move(actions);
    double announced = volume();
    volumeSubscription_ = player.settings.subscribe([this, announced](const AppSettings&) mutable {
        const double now = volume();
        if (now != announced) {
            announced = now;
            announce({{QStringLiteral("Volume"), now}});
        }
    });
}

void MprisService::detach() {
    volumeSubscription_.reset();
    player_ = nullptr;
    actions_ = {};
    nowPlayingChanged(NowPlayingInfo{});
}

void MprisService::nowPlayingChanged(const NowPlayingInfo& info) {
    const QString oldStatus = playbackStatus();
    const QVariantMap oldMetadata = metadata();
    const bool oldCanSeek = canSeek();
    info_ = info;

    QVariantMap changed;
    if (const QString status = playbackStatus(); status != oldStatus)
        changed.insert(QStringLiteral("PlaybackStatus"), status);
    if (QVariantMap now = metadata(); now != oldMetadata)
        changed.insert(QStringLiteral("Metadata"), std::move(now));
    if (canSeek() != oldCanSeek)
        changed.insert(QStringLiteral("CanSeek"), canSeek());
    if (!changed.isEmpty())
        announce(changed);
}

void MprisService::seeked(double seconds) {
    emit seekedTo(microseconds(seconds));
}

void MprisService::announce(const QVariantMap& changed) {
    if (!registered_)
        return;
    auto signal = QDBusMessage::createSignal(QString::fromLatin1(objectPath),
                                             QStringLiteral("org.freedesktop.DBus.Properties"),
                                             QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList{};
    bus_.send(signal);
}

void MprisService::raise() {
    if (actions_.raise)
        actions_.raise();
}

void MprisService::quit() {
    if (actions_.quit)
        actions_.quit();
}

void MprisService::openUri(const QString& uri) {
    const QUrl url(uri);
    if (!url.isLocalFile()) {
        qCInfo(lcPlatform, "not opening %s: only file URIs are supported", qUtf8Printable(uri));
        return;
    }
    if (actions_.open)
        actions_.open({url.toLocalFile().toStdString()});
}

// From a second start of Orvane, which has made the paths absolute.
void MprisService::open(const QStringList& paths) {
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& path : paths)
        items.push_back(path.toStdString());
    if (actions_.open)
        actions_.open(items);
}

// Nothing loaded is "Stopped" on the bus; a loaded track is playing or paused.
QString MprisService::playbackStatus() const {
    if (!info_.item)
        return QStringLiteral("Stopped");
    return info_.playing ? QStringLiteral("Playing") : QStringLiteral("Paused");
}

QString MprisService::trackPath() const {
    if (!info_.item)
        return {};
    const QString id =
        QString::fromStdString(info_.item->trackID.toString()).remove(QLatin1Char('-'));
    return QStringLiteral("/org/orvane/Orvane/Track/") + id;
}

QVariantMap MprisService::metadata() const {
    if (!info_.item)
        return {};
    const auto& item = *info_.item;
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackPath())));
    map.insert(QStringLiteral("mpris:length"), microseconds(item.duration));
    map.insert(QStringLiteral("xesam:title"), QString::fromStdString(item.title));
    map.insert(QStringLiteral("xesam:artist"), QStringList{QString::fromStdString(item.artist)});
    if (item.album)
        map.insert(QStringLiteral("xesam:album"), QString::fromStdString(*item.album));
    // Desktops load the cover from a URL through their file layer: a file:// URL.
    if (item.artPath)
        map.insert(QStringLiteral("mpris:artUrl"),
                   QUrl::fromLocalFile(QString::fromStdString(*item.artPath))
                       .toString(QUrl::FullyEncoded));
    return map;
}

double MprisService::volume() const {
    if (player_ == nullptr)
        return 0.0;
    const AppSettings& s = player_->settings.get();
    return s.isMuted ? 0.0 : s.volume;
}

void MprisService::setVolume(double volume) {
    if (player_ != nullptr && std::isfinite(volume))
        player_->setVolume(std::clamp(volume, 0.0, 1.0));
}

qlonglong MprisService::position() const {
    if (player_ == nullptr || !info_.item)
        return 0;
    return microseconds(player_->engine().currentTime.get());
}

bool MprisService::canSeek() const {
    return info_.item.has_value();
}

double MprisService::durationSeconds() const {
    return info_.item ? info_.item->duration : 0.0;
}

void MprisService::play() {
    if (player_ != nullptr)
        player_->mediaPlay();
}

void MprisService::pause() {
    if (player_ != nullptr)
        player_->mediaPause();
}

void MprisService::playPause() {
    if (player_ != nullptr)
        player_->mediaPlayPause();
}

void MprisService::next() {
    if (player_ != nullptr)
        player_->nextTrack(false);
}

void MprisService::previous() {
    if (player_ != nullptr)
        player_->prevTrack();
}

void MprisService::stop() {
    if (player_ != nullptr)
        player_->stop();
}

void MprisService::seekBy(qlonglong offsetMicroseconds) {
    if (player_ == nullptr || !info_.item)
        return;
    const double target = std::max(
        player_->engine().currentTime.get() + static_cast<double>(offsetMicroseconds) / 1e6, 0.0);
    // Past the end is the next track, as the bus's players agree.
    if (target > durationSeconds())
        player_->nextTrack(false);
    else
        player_->seek(target);
}

void MprisService::setPosition(const QString& trackPathOfRequest, qlonglong positionMicroseconds) {
    // A request for a track that no longer plays, or outside it, is stale: ignored.
    if (player_ == nullptr || !info_.item || trackPathOfRequest != trackPath() ||
        positionMicroseconds < 0 || positionMicroseconds > microseconds(durationSeconds()))
        return;
    player_->seek(static_cast<double>(positionMicroseconds) / 1e6);
}

} // namespace orvane
