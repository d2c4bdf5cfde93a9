#include "Platform/PrivateFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace Platform::PrivateFile {

namespace {

// A link (say into a folder of dotfiles) stays a link: its target is what gets replaced.
QString resolvedPath(const QString& path) {
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

}  // namespace

// The user reads this in a notice: the failures a full or locked disk brings, in German.
QString reason(int error) {
    switch (error) {
        case ENOSPC:
            return QCoreApplication::translate("PrivateFile", "Der Datenträger ist voll.");
        case EDQUOT:
            return QCoreApplication::translate(
                "PrivateFile", "Der Speicherplatz, der dir zusteht, ist aufgebraucht.");
        case EROFS:
            return QCoreApplication::translate("PrivateFile",
                                               "Der Datenträger ist schreibgeschützt.");
        case EACCES:
        case EPERM:
            return QCoreApplication::translate("PrivateFile", "Keine Berechtigung zum Schreiben.");
        case ENOENT:
            return QCoreApplication::translate("PrivateFile", "Der Ordner fehlt.");
        case ENOTDIR:
            return QCoreApplication::translate("PrivateFile",
                                               "Wo ein Ordner sein sollte, liegt eine Datei.");
        case EIO:
            return QCoreApplication::translate(
                "PrivateFile", "Der Datenträger meldet einen Fehler beim Schreiben.");
        default:
            return qt_error_string(error);
    }
}

namespace {

// The name the writer gives its temporary file beside `target`, up to the random part.
QByteArray temporaryPrefix(const QFileInfo& target) {
    return "." + QFile::encodeName(target.fileName()).left(200) + ".";
}

// The six characters mkostemp puts in place of XXXXXX.
bool isRandomPart(const char* text) {
    if (std::strlen(text) != 6)
        return false;
    for (const char* c = text; *c; ++c) {
        const bool letterOrDigit =
            (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9');
        if (!letterOrDigit)
            return false;
    }
    return true;
}

// Every byte, however the kernel splits the write.
bool writeAll(int fd, const QByteArray& data) {
    const char* next = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        next += written;
        left -= written;
    }
    return true;
}

// Makes the rename itself durable. The new content is in place whatever this returns, so a
// failure here is no failure of the write.
void syncFolder(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::optional<QString> write(const QString& path, const QByteArray& data) {
    const QFileInfo target(resolvedPath(path));
    const QByteArray finalName = QFile::encodeName(target.filePath());
    // A file the user made read-only is left alone, as an editor would.
    if (::access(finalName.constData(), F_OK) == 0 && ::access(finalName.constData(), W_OK) != 0)
        return reason(errno);

    // The temporary file sits beside the target, so that the rename stays on one filesystem;
    // its name is cut so that it never exceeds the longest name a folder takes.
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    QByteArray temporary = folder + "/" + temporaryPrefix(target) + "XXXXXX";
    // Created exclusively and 0600: private before its first byte is written.
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return reason(errno);

    // Nothing replaces the old file unless every byte is on the disk: a full disk shows at the
    // write or at the sync, never only after the rename.
    int error = 0;
    if (::fchmod(fd, 0600) != 0 || !writeAll(fd, data) || ::fsync(fd) != 0)
        error = errno;
    // A close can still report a failed write-back.
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.constData(), finalName.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return reason(error);
    }
    syncFolder(folder);
    return std::nullopt;
}

int removeLeftovers(const QString& path) {
    const QFileInfo target(resolvedPath(path));
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    const QByteArray prefix = temporaryPrefix(target);
    DIR* entries = ::opendir(folder.constData());
    if (!entries)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(entries)) {
        if (std::strncmp(entry->d_name, prefix.constData(), size_t(prefix.size())) != 0 ||
            !isRandomPart(entry->d_name + prefix.size()))
            continue;
        // Only a plain file of the user's own can be one of ours; a folder or a link of the
        // same name was made by someone else.
        const QByteArray leftover = folder + "/" + entry->d_name;
        struct stat info {};
        if (::lstat(leftover.constData(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::getuid())
            continue;
        if (::unlink(leftover.constData()) == 0)
            ++removed;
    }
    ::closedir(entries);
    return removed;
}

}  // namespace Platform::PrivateFile
