#pragma once

#include <QStringList>

#include "Platform/FileRevealer.h"

namespace Platform {

// Records every file it is asked to show.
class FakeFileRevealer final : public FileRevealer {
public:
    void reveal(const QString& path) override { revealed.append(path); }

    QStringList revealed;
};

}  // namespace Platform
