#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "support/ScopedEnv.h"

// A private PulseAudio server with only the given device module ("{scratch}" in it names a
// folder that lives as long as the server); PULSE_SERVER points at it for the scope.
class SoundServer {
public:
    explicit SoundServer(const QString& device)
        : socket_(scratch_.path() + "/native"), server_("PULSE_SERVER", "unix:" + socket_) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start("pulseaudio",
                       {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
                        "--use-pid-file=no", "--log-level=error", "-L",
                        "module-native-protocol-unix auth-anonymous=1 socket=" + socket_, "-L",
                        QString(device).replace("{scratch}", scratch_.path())});
        (void)QTest::qWaitFor([&] { return running(); }, 10000);
    }
    ~SoundServer() {
        process_.kill();
        process_.waitForFinished();
    }
    bool running() const { return QFileInfo::exists(socket_); }
    QString scratch() const { return scratch_.path(); }

private:
    QTemporaryDir scratch_;
    QString socket_;
    ScopedEnv server_;
    QProcess process_;
};
