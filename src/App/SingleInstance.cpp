#include "App/SingleInstance.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QLocalSocket>

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

}  // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), socketPath_(std::move(socketPath)) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
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
    if (askRunningInstance(timeout))
        return Role::Secondary;
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(socketPath_))
        return Role::Primary;
    // Nobody answered, so a socket left behind by a crashed run is in the way.
    QLocalServer::removeServer(socketPath_);
    if (server_.listen(socketPath_))
        return Role::Primary;
    // Two starts raced; the other one won.
    return askRunningInstance(timeout) ? Role::Secondary : Role::Failed;
}

bool SingleInstance::askRunningInstance(std::chrono::milliseconds timeout) {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(static_cast<int>(timeout.count())) || !servedByThisUser(socket))
        return false;
    socket.write("reopen\n");
    socket.waitForBytesWritten(static_cast<int>(timeout.count()));
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine().trimmed() == "reopen")
                    Q_EMIT reopenRequested();
            }
        });
    }
}
