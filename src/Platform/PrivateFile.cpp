#include "Platform/PrivateFile.h"

#include <sys/stat.h>

#include <QSaveFile>
#include <cerrno>

namespace Platform::PrivateFile {

std::optional<QString> write(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // The temporary file becomes `path`: it must be private before any byte lands.
    if (::fchmod(file.handle(), 0600) != 0) {
        file.cancelWriting();
        return QStringLiteral("chmod: ") + qt_error_string(errno);
    }
    if (file.write(data) != data.size() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    return std::nullopt;
}

}  // namespace Platform::PrivateFile
