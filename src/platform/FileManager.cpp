#include "platform/FileManager.h"

#include "platform/LogCategories.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace orvane {

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");

} // namespace

void revealInFileManager(const std::string& path) {
    const QString file = QFile::decodeName(QByteArray::fromStdString(path));
    QDBusConnection bus = QDBusConnection::sessionBus();
    const auto* busInterface = bus.isConnected() ? bus.interface() : nullptr;
    // Activatable services count too: the file manager starts on the call.
    if (busInterface != nullptr &&
        (busInterface->isServiceRegistered(kService).value() ||
         busInterface->activatableServiceNames().value().contains(kService))) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            kService, QStringLiteral("/org/freedesktop/FileManager1"), kService,
            QStringLiteral("ShowItems"));
        call << QStringList{QUrl::fromLocalFile(file).toString()} << QString();
        if (bus.send(call))
            return;
        qCInfo(lcPlatform, "the file manager cannot be asked over the bus (%s); opening the folder",
               qUtf8Printable(bus.lastError().message()));
    }
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        qCWarning(lcPlatform, "no application opens the folder %s", qUtf8Printable(folder));
}

} // namespace orvane
