#include "Platform/linux/XdgAutostartLoginItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "Platform/AppPaths.h"
#include "Platform/PrivateFile.h"

namespace Platform {

XdgAutostartLoginItem::XdgAutostartLoginItem(QString executable, QString autostartFolder)
    : executable_(std::move(executable)), folder_(std::move(autostartFolder)) {
    // A registration killed before its rename leaves a hidden copy of the entry behind.
    PrivateFile::removeLeftovers(entryPath());
}

QString XdgAutostartLoginItem::entryPath() const {
    const QString folder =
        folder_.isEmpty() ? AppPaths::configHome() + QStringLiteral("/autostart") : folder_;
    return folder + QLatin1Char('/') + AppPaths::applicationId() + QStringLiteral(".desktop");
}

QString XdgAutostartLoginItem::execValue(const QString& program) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : program) {
        // Inside double quotes these four need a backslash; a percent sign would start a
        // field code.
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    quoted += QLatin1Char('"');

    QString value;
    for (const QChar c : quoted) {
        switch (c.unicode()) {
            case '\\':
                value += QStringLiteral("\\\\");
                break;
            case '\n':
                value += QStringLiteral("\\n");
                break;
            case '\t':
                value += QStringLiteral("\\t");
                break;
            case '\r':
                value += QStringLiteral("\\r");
                break;
            default:
                value += c;
        }
    }
    return value;
}

std::optional<QString> XdgAutostartLoginItem::registerItem() {
    const QString program =
        executable_.isEmpty() ? QCoreApplication::applicationFilePath() : executable_;
    if (program.isEmpty() || !QDir::isAbsolutePath(program))
        return QCoreApplication::translate("XdgAutostartLoginItem",
                                           "Der Pfad des laufenden Programms ist unbekannt.");

    const QString path = entryPath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QCoreApplication::translate("XdgAutostartLoginItem",
                                           "Der Ordner %1 kann nicht angelegt werden.")
            .arg(folder);

    const QString entry = QStringLiteral(
                              "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Tavrin\n"
                              "Exec=%1\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n")
                              .arg(execValue(program));
    return PrivateFile::write(path, entry.toUtf8());
}

std::optional<QString> XdgAutostartLoginItem::unregisterItem() {
    QFile file(entryPath());
    if (!file.exists())
        return std::nullopt;
    if (!file.remove())
        return file.errorString();
    return std::nullopt;
}

}  // namespace Platform
