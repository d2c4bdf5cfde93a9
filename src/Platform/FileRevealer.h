#pragma once

#include <QString>

namespace Platform {

// Shows a file to the user in their file manager, selected among its neighbours.
class FileRevealer {
public:
    virtual ~FileRevealer() = default;
    // Main thread; returns at once, whatever the file manager does or fails to do.
    virtual void reveal(const QString& path) = 0;
};

}  // namespace Platform
