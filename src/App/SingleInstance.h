#pragma once

#include <QLocalServer>
#include <QObject>
#include <chrono>

class QDeadlineTimer;
class QLocalSocket;

// One Tavrin per user: the first start listens on a local socket; a later start asks it to
// reopen and leaves.
//
// Who is first is settled by a lock on a file beside the socket, which the kernel lets go when
// the program ends however it ends: two starts at the same moment cannot both win, and the
// winner alone clears a socket left behind by a crashed run.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role { Primary, Secondary, Failed };

    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket for this user: in $XDG_RUNTIME_DIR when set, else in the temporary folder
    // with the user id in its name.
    static QString defaultSocketPath();

    // Becomes the one instance (Primary), or hands "reopen" to the one that runs (Secondary).
    // A start that finds the other one still starting waits up to `timeout` for it to listen;
    // one that holds the claim but does not answer in that time still counts as running.
    Role claim(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

Q_SIGNALS:
    // A reopen that comes while nothing is connected here (the program is still building its
    // windows) is kept, and emitted once from the event loop after the first connection.
    void reopenRequested();

protected:
    void connectNotify(const QMetaMethod& signal) override;

private:
    enum class Lock { taken, heldElsewhere, unavailable };

    Lock takeLock();
    bool listen();
    bool askRunningInstance(const QDeadlineTimer& deadline);
    void acceptConnections();
    void readRequests(QLocalSocket* socket);
    void requestReopen();
    void deliverKeptReopen();

    QString socketPath_;
    QLocalServer server_;
    int lock_ = -1;
    bool reopenKept_ = false;
};
