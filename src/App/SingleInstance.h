#pragma once

#include <QLocalServer>
#include <QObject>
#include <chrono>

// One Tavrin per user: the first start listens on a local socket; a later start asks it to
// reopen and leaves.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role { Primary, Secondary, Failed };

    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);

    // The socket for this user: in $XDG_RUNTIME_DIR when set, else in the temporary folder
    // with the user id in its name.
    static QString defaultSocketPath();

    // Becomes the one instance, or hands "reopen" to the one that runs.
    Role claim(std::chrono::milliseconds timeout = std::chrono::milliseconds(1000));

Q_SIGNALS:
    void reopenRequested();

private:
    bool askRunningInstance(std::chrono::milliseconds timeout);
    void acceptConnections();

    QString socketPath_;
    QLocalServer server_;
};
