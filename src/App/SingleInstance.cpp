#include "App/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QMetaMethod>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

#include "Platform/AppPaths.h"

namespace {

// Without a runtime folder the socket lies in the shared temporary folder, where another user
// could listen at its name first and so stop every start: only a server of this user counts.
bool servedByThisUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer,
                        &size) == 0 &&
           peer.uid == ::getuid();
}

constexpr qint64 kLongestRequest = 64;

int msecsLeft(const QDeadlineTimer& deadline) {
    return int(std::clamp<qint64>(deadline.remainingTime(), 0, INT_MAX));
}

}  // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), socketPath_(std::move(socketPath)) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

SingleInstance::~SingleInstance() {
    // The socket goes before the lock: the start that takes the lock next puts its own socket
    // at the same path, which closing ours afterwards would remove.
    server_.close();
    if (lock_ >= 0)
        ::close(lock_);
}

QString SingleInstance::defaultSocketPath() {
    const QString id = Platform::AppPaths::applicationId();
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && QDir(runtime).exists())
        return runtime + QLatin1Char('/') + id + QStringLiteral(".socket");
    return Platform::AppPaths::temporaryFolder() + QLatin1Char('/') + id + QLatin1Char('-') +
           QString::number(getuid()) + QStringLiteral(".socket");
}

SingleInstance::Role SingleInstance::claim(std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    for (;;) {
        switch (takeLock()) {
            case Lock::taken:
                // A Tavrin that could not take the lock may still listen; any other socket at
                // the path was left behind by a run that ended without closing it.
                if (askRunningInstance(deadline))
                    return Role::Secondary;
                QLocalServer::removeServer(socketPath_);
                return listen() ? Role::Primary : Role::Failed;
            case Lock::heldElsewhere:
                // The other start listens right after taking the lock, or is ending and lets
                // go of it: ask again, or take the lock, until the time is up.
                if (askRunningInstance(deadline) || deadline.hasExpired())
                    return Role::Secondary;
                QThread::msleep(20);
                break;
            case Lock::unavailable: {
                // Without the lock only the socket tells whether Tavrin runs.
                if (askRunningInstance(QDeadlineTimer(timeout)))
                    return Role::Secondary;
                if (listen())
                    return Role::Primary;
                QLocalServer::removeServer(socketPath_);
                if (listen())
                    return Role::Primary;
                return askRunningInstance(QDeadlineTimer(timeout)) ? Role::Secondary : Role::Failed;
            }
        }
    }
}

SingleInstance::Lock SingleInstance::takeLock() {
    // Close-on-exec: a tool Tavrin started must not hold the lock on after Tavrin has ended.
    const int fd = ::open(QFile::encodeName(socketPath_ + QStringLiteral(".lock")).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Lock::unavailable;
    // In the shared temporary folder another user may have made the file first; a lock on it
    // says nothing about this user's Tavrin.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::getuid()) {
        ::close(fd);
        return Lock::unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        lock_ = fd;
        return Lock::taken;
    }
    const int error = errno;
    ::close(fd);
    return error == EWOULDBLOCK ? Lock::heldElsewhere : Lock::unavailable;
}

bool SingleInstance::listen() {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    return server_.listen(socketPath_);
}

bool SingleInstance::askRunningInstance(const QDeadlineTimer& deadline) {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(msecsLeft(deadline)) || !servedByThisUser(socket))
        return false;
    socket.write("reopen\n");
    // This program ends right after: what is still in its buffer then never arrives.
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(msecsLeft(deadline)))
            return false;
    }
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequests(socket); });
        // The asking program leaves right after writing: what it wrote may still be unread.
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            readRequests(socket);
            socket->deleteLater();
        });
    }
}

void SingleInstance::readRequests(QLocalSocket* socket) {
    // A line may come in pieces; it counts once it is whole.
    while (socket->canReadLine()) {
        if (socket->readLine().trimmed() == "reopen")
            requestReopen();
    }
    // The only request is one short line: a sender that goes on without ending its line is
    // not a Tavrin start, and what it sends would otherwise pile up here.
    if (socket->bytesAvailable() > kLongestRequest)
        socket->abort();
}

void SingleInstance::requestReopen() {
    if (isSignalConnected(QMetaMethod::fromSignal(&SingleInstance::reopenRequested)))
        Q_EMIT reopenRequested();
    else
        reopenKept_ = true;
}

void SingleInstance::connectNotify(const QMetaMethod& signal) {
    if (reopenKept_ && signal == QMetaMethod::fromSignal(&SingleInstance::reopenRequested))
        QMetaObject::invokeMethod(this, &SingleInstance::deliverKeptReopen, Qt::QueuedConnection);
}

void SingleInstance::deliverKeptReopen() {
    if (std::exchange(reopenKept_, false))
        requestReopen();
}
