#pragma once

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>

// A small filesystem of its own (tmpfs) that a test can fill up and make read-only: the real
// thing, not a stand-in. It is mounted in a mount namespace private to the test process, so
// nothing outside sees it and it goes away with the process. Mounting needs root (as on CI);
// elsewhere `unavailable()` says why, and the test skips.
class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes) {
        if (!folder_.isValid()) {
            unavailable_ = QStringLiteral("no temporary folder");
            return;
        }
        unavailable_ = enterPrivateMounts();
        if (!unavailable_.isEmpty())
            return;
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
        if (::mount("tavrin-small-disk", mountPoint(), "tmpfs", MS_NOSUID | MS_NODEV,
                    options.constData()) != 0) {
            unavailable_ =
                QStringLiteral("mount tmpfs: ") + QString::fromLocal8Bit(strerror(errno));
            return;
        }
        mounted_ = true;
    }
    ~SmallDisk() {
        if (mounted_)
            ::umount2(mountPoint(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    // Why no disk could be mounted; empty when it is there.
    const QString& unavailable() const { return unavailable_; }
    QString path() const { return folder_.path(); }

    // Takes all free space but `left` bytes (whole pages) with a file at the top of the disk.
    bool fill(qint64 left = 0) {
        const int fd = ::open((QFile::encodeName(path()) + "/filler").constData(),
                              O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        static const QByteArray block(64 * 1024, 'f');
        qint64 size = 0;
        for (;;) {
            const ssize_t written = ::write(fd, block.constData(), block.size());
            if (written <= 0)
                break;
            size += written;
        }
        const bool full =
            errno == ENOSPC && size >= left && (left == 0 || ::ftruncate(fd, size - left) == 0);
        ::close(fd);
        return full;
    }
    bool setReadOnly(bool readOnly) {
        unsigned long flags = MS_REMOUNT | MS_NOSUID | MS_NODEV;
        if (readOnly)
            flags |= MS_RDONLY;
        return ::mount(nullptr, mountPoint(), nullptr, flags, nullptr) == 0;
    }
    // Gives back what fill() and setReadOnly() took.
    bool restore() {
        return setReadOnly(false) &&
               (::unlink((QFile::encodeName(path()) + "/filler").constData()) == 0 ||
                errno == ENOENT);
    }

private:
    QByteArray mountPoint() const { return QFile::encodeName(path()); }

    // Once per process: a mount namespace of its own whose mounts do not reach the machine's.
    // Threads started later (a store's writer) inherit it.
    static QString enterPrivateMounts() {
        static const QString failure = [] {
            if (::unshare(CLONE_NEWNS) != 0)
                return QStringLiteral("unshare: ") + QString::fromLocal8Bit(strerror(errno));
            if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return QStringLiteral("private mounts: ") + QString::fromLocal8Bit(strerror(errno));
            return QString();
        }();
        return failure;
    }

    QTemporaryDir folder_;
    QString unavailable_;
    bool mounted_ = false;
};
