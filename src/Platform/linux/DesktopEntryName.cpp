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
    // The id comes from another program's window: it names a file in the applications
    // folders, never a path elsewhere.
    if (id.isEmpty() || id.contains(u'/'))
        return std::nullopt;
    if (auto found = cache.constFind(id); found != cache.constEnd())
        return *found;
    const QString file = id.endsWith(QLatin1String(".desktop")) ? id : id + ".desktop";
    std::optional<QString> name;
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, file);
    if (QFile entry(path); !path.isEmpty() && entry.open(QIODevice::ReadOnly))
        name = fromContents(entry.read(256 * 1024));
    cache.insert(id, name);
    return name;
}

}  // namespace Platform::DesktopEntryName
