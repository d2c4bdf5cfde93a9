#pragma once

#include <QHash>

#include "Platform/ApplicationIcons.h"

namespace Platform {

// Icons a test hands out by the application's window; records what was asked.
class FakeApplicationIcons final : public ApplicationIcons {
public:
    QImage icon(const RunningApplication& app, int pixelSize) override {
        asked.append(pixelSize);
        return icons.value(app.windowId);
    }

    QHash<quint32, QImage> icons;
    QList<int> asked;
};

}  // namespace Platform
