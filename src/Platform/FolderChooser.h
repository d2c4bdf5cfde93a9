#pragma once

#include <QString>
#include <optional>

namespace Platform {

// Asks the user for one folder, modally.
class FolderChooser {
public:
    virtual ~FolderChooser() = default;
    // Main thread. `message` names what the folder is for (empty: no message); `start` is the
    // folder shown first (empty: the system's choice). None when the user cancelled.
    virtual std::optional<QString> chooseFolder(const QString& message, const QString& start) = 0;
};

}  // namespace Platform
