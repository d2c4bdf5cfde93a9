#pragma once

#include <QStringList>

#include "Platform/InstalledApplications.h"

namespace Platform {

// Applications found by their desktop files in the XDG application folders: the user's own
// first, then the system's in the order XDG_DATA_DIRS gives. The first file of an id decides,
// so a user's copy marked Hidden=true hides (uninstalls, for menus) the system's entry.
class XdgInstalledApplications final : public InstalledApplications {
public:
    // The folders of the environment ($XDG_DATA_HOME, $XDG_DATA_DIRS and their defaults).
    XdgInstalledApplications();
    explicit XdgInstalledApplications(QStringList applicationFolders);

    bool isInstalled(const QString& desktopFileId) const override;

    // "<data dir>/applications" for the user's data home and each system data dir, in order;
    // empty values take the XDG defaults (~/.local/share; /usr/local/share and /usr/share).
    static QStringList applicationFolders(const QString& dataHome, const QString& dataDirs,
                                          const QString& home);

private:
    QStringList folders_;
};

}  // namespace Platform
