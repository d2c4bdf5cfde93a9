#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "Platform/linux/PulseMicrophoneAccess.h"
#include "support/ScopedEnv.h"

using Platform::AuthorizationStatus;

namespace {

// A private sound server with only the given device module; PULSE_SERVER points at it.
class SoundServer {
public:
    explicit SoundServer(const QString& device)
        : socket_(scratch_.path() + "/native"), server_("PULSE_SERVER", "unix:" + socket_) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(
            "pulseaudio",
            {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
             "--use-pid-file=no", "--log-level=error", "-L",
             "module-native-protocol-unix auth-anonymous=1 socket=" + socket_, "-L", device});
        (void)QTest::qWaitFor([&] { return running(); }, 10000);
    }
    ~SoundServer() {
        process_.kill();
        process_.waitForFinished();
    }
    bool running() const { return QFileInfo::exists(socket_); }

private:
    QTemporaryDir scratch_;
    QString socket_;
    ScopedEnv server_;
    QProcess process_;
};

}  // namespace

TEST(PulseMicrophoneAccessX11Test, RealInputIsAMicrophoneAnOutputsMonitorIsNot) {
    {
        SoundServer server("module-null-source source_name=mic");
        ASSERT_TRUE(server.running());
        EXPECT_TRUE(Platform::PulseMicrophoneAccess::hasDefaultInput());

        Platform::PulseMicrophoneAccess access;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return access.status() != AuthorizationStatus::notDetermined; }, 5000));
        EXPECT_EQ(access.status(), AuthorizationStatus::authorized);
    }
    {
        SoundServer server("module-null-sink sink_name=speakers");
        ASSERT_TRUE(server.running());
        EXPECT_FALSE(Platform::PulseMicrophoneAccess::hasDefaultInput());
    }
}
