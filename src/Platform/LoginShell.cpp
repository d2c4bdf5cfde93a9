#include "Platform/LoginShell.h"

#include <unistd.h>

#include <QFileInfo>

#include "Platform/PasswordDatabase.h"

namespace Platform::LoginShell {

QString choose(const QString& databaseShell,
               const std::function<bool(const QString&)>& isExecutable) {
    static const QStringList posixShells = {QStringLiteral("bash"), QStringLiteral("zsh"),
                                            QStringLiteral("dash"), QStringLiteral("ksh"),
                                            QStringLiteral("sh")};
    const QString fallback = QStringLiteral("/bin/bash");
    if (!databaseShell.startsWith(QLatin1Char('/')))
        return fallback;
    const QString name = QFileInfo(databaseShell).fileName();
    if (!posixShells.contains(name) || !isExecutable(databaseShell))
        return fallback;
    return databaseShell;
}

QString path() {
    QString databaseShell;
    if (const auto entry = PasswordDatabase::forUser(getuid()))
        databaseShell = entry->shell;
    return choose(databaseShell, [](const QString& candidate) {
        const QFileInfo info(candidate);
        return info.isFile() && info.isExecutable();
    });
}

}  // namespace Platform::LoginShell
