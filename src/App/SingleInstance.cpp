#include "App/SingleInstance.h"

#include <unistd.h>

#include <QDir>
#include <QLocalSocket>

#include "Platform/AppPaths.h"

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
    if (!socket.waitForConnected(static_cast<int>(timeout.count())))
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
