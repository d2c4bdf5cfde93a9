#pragma once

#include "Platform/FolderChooser.h"

namespace Platform {

// The toolkit's folder dialog (files cannot be chosen, one folder only).
class DialogFolderChooser final : public FolderChooser {
public:
    std::optional<QString> chooseFolder(const QString& message, const QString& start) override;
};

}  // namespace Platform
