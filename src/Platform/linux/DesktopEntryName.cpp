#include "Platform/linux/DesktopEntryName.h"

#include <QFile>
#include <QHash>
#include <QStandardPaths>

namespace Platform::DesktopEntryName {

std::optional<QString> fromContents(const QByteArray& contents) {
    std::optional<QString> german;
    std::optional<QString> plain;
    bool inEntry = false;
    for (const QByteArray& raw : contents.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || line.startsWith('#'))
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QString value = QString::fromUtf8(line.mid(equals + 1).trimmed());
        if (value.isEmpty())
            continue;
        if (key == "Name[de]")
            german = value;
        else if (key == "Name")
            plain = value;
    }
    return german ? german : plain;
}

std::optional<QString> forId(const QString& id) {
    // Main thread only, like the window list that asks.
    static QHash<QString, std::optional<QString>> cache;
    if (auto found = cache.constFind(id); found != cache.constEnd())
        return *found;
    std::optional<QString> name;
    if (const std::optional<QByteArray> contents = contentsForId(id))
        name = fromContents(*contents);
    cache.insert(id, name);
    return name;
}

QString forWindow(const QString& desktopId, const QString& instance, const QString& windowClass) {
    for (const QString& id : {desktopId, windowClass, instance, windowClass.toLower()}) {
        if (const std::optional<QString> name = forId(id))
            return *name;
    }
    return windowClass;
}

std::optional<QByteArray> contentsForId(const QString& id) {
    if (id.isEmpty() || id.contains(u'/'))
        return std::nullopt;
    const QString file = id.endsWith(QLatin1String(".desktop")) ? id : id + ".desktop";
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, file);
    QFile entry(path);
    if (path.isEmpty() || !entry.open(QIODevice::ReadOnly))
        return std::nullopt;
    return entry.read(256 * 1024);
}

}  // namespace Platform::DesktopEntryName
