#include "platform/MprisAdaptors.h"

#include "platform/MprisService.h"

namespace orvane {

MprisRootAdaptor::MprisRootAdaptor(MprisService& service)
    : QDBusAbstractAdaptor(&service), service_(service) {
}

QString MprisRootAdaptor::identity() const {
    return QStringLiteral("Orvane");
}

QString MprisRootAdaptor::desktopEntry() const {
    return QStringLiteral("orvane");
}

QStringList MprisRootAdaptor::supportedUriSchemes() const {
    return {QStringLiteral("file")};
}

QStringList MprisRootAdaptor::supportedMimeTypes() const {
    return MprisService::supportedMimeTypes();
}

void MprisRootAdaptor::Raise() {
    service_.raise();
}

void MprisRootAdaptor::Quit() {
    service_.quit();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService& service)
    : QDBusAbstractAdaptor(&service), service_(service) {
    connect(&service, &MprisService::seekedTo, this, &MprisPlayerAdaptor::Seeked);
}

QString MprisPlayerAdaptor::playbackStatus() const {
    return service_.playbackStatus();
}

QVariantMap MprisPlayerAdaptor::metadata() const {
    return service_.metadata();
}

double MprisPlayerAdaptor::volume() const {
    return service_.volume();
}

void MprisPlayerAdaptor::setVolume(double volume) {
    service_.setVolume(volume);
}

qlonglong MprisPlayerAdaptor::position() const {
    return service_.position();
}

bool MprisPlayerAdaptor::canSeek() const {
    return service_.canSeek();
}

void MprisPlayerAdaptor::Play() {
    service_.play();
}

void MprisPlayerAdaptor::Pause() {
    service_.pause();
}

void MprisPlayerAdaptor::PlayPause() {
    service_.playPause();
}

void MprisPlayerAdaptor::Next() {
    service_.next();
}

void MprisPlayerAdaptor::Previous() {
    service_.previous();
}

void MprisPlayerAdaptor::Stop() {
    service_.stop();
}

void MprisPlayerAdaptor::Seek(qlonglong offset) {
    service_.seekBy(offset);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& trackId, qlonglong position) {
    service_.setPosition(trackId.path(), position);
}

void MprisPlayerAdaptor::OpenUri(const QString& uri) {
    service_.openUri(uri);
}

OrvaneAdaptor::OrvaneAdaptor(MprisService& service)
    : QDBusAbstractAdaptor(&service), service_(service) {
}

void OrvaneAdaptor::Open(const QStringList& paths) {
    service_.open(paths);
}

} // namespace orvane
