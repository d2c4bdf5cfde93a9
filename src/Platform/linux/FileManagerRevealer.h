#pragma once

#include <QObject>
#include <chrono>

#include "Platform/FileRevealer.h"

namespace Platform {

class UrlOpener;

// Asks the desktop's file manager over the session bus (org.freedesktop.FileManager1,
// ShowItems) to show the file selected. Many desktops have no such service, or one that never
// answers: after `limit`, or on any error, the file's folder is opened through `fallback`
// instead. The call never waits on the main thread.
class FileManagerRevealer final : public QObject, public FileRevealer {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultLimit{1000};

    explicit FileManagerRevealer(UrlOpener& fallback,
                                 std::chrono::milliseconds limit = defaultLimit,
                                 QObject* parent = nullptr);

    void reveal(const QString& path) override;

private:
    void openFolder(const QString& path);

    UrlOpener& fallback_;
    std::chrono::milliseconds limit_;
};

}  // namespace Platform
