#pragma once

#include <QString>

namespace Platform {

// Which applications the user has installed, known by their desktop-file ids
// ("ulauncher.desktop", "org.kde.krunner.desktop").
class InstalledApplications {
public:
    virtual ~InstalledApplications() = default;
    virtual bool isInstalled(const QString& desktopFileId) const = 0;
};

}  // namespace Platform
