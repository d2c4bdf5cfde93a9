#pragma once

#include <QSet>

#include "Platform/InstalledApplications.h"

namespace Platform {

class FakeInstalledApplications final : public InstalledApplications {
public:
    bool isInstalled(const QString& desktopFileId) const override {
        return installed.contains(desktopFileId);
    }

    QSet<QString> installed;
};

}  // namespace Platform
