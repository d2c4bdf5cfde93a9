#include "Platform/linux/FileManagerRevealer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QUrl>

#include "Platform/UrlOpener.h"

namespace Platform {

FileManagerRevealer::FileManagerRevealer(UrlOpener& fallback, std::chrono::milliseconds limit,
                                         QObject* parent)
    : QObject(parent), fallback_(fallback), limit_(limit) {}

void FileManagerRevealer::reveal(const QString& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolder(path);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, int(limit_.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, path](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                // No service, a refusal and silence past the limit all end here.
                if (finished->isError())
                    openFolder(path);
            });
}

void FileManagerRevealer::openFolder(const QString& path) {
    fallback_.open(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

}  // namespace Platform
