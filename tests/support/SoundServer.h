#pragma once

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <functional>
#include <vector>

#include "support/ScopedEnv.h"

// A private PulseAudio server with only the given device module ("{scratch}" in it names a
// folder that lives as long as the server); PULSE_SERVER points at it for the scope.
class SoundServer {
public:
    // A microphone whose sound is what the test writes into the pipe "{scratch}/mic" (16 kHz
    // mono, 16-bit little-endian), as `play` does.
    static constexpr const char* kPipeMicrophone =
        "module-pipe-source source_name=mic file={scratch}/mic format=s16le rate=16000 "
        "channels=1";

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

    // Writes `speech` (16 kHz mono, -1…1) and then `silenceSamples` of silence into the pipe
    // source named `pipe` in the scratch folder, in chunks of 0.1 s with `pace` between them, so
    // that the server neither drops nor bunches it. False when the pipe cannot be opened.
    bool play(const QString& pipe, const std::vector<float>& speech, std::size_t silenceSamples,
              const std::function<void()>& pace) const {
        QFile file(scratch() + "/" + pipe);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        std::vector<qint16> pcm(speech.size() + silenceSamples, 0);
        for (std::size_t i = 0; i < speech.size(); ++i)
            pcm[i] = qint16(std::clamp(speech[i] * 32768.0f, -32768.0f, 32767.0f));
        const std::size_t chunk = 1600;
        for (std::size_t at = 0; at < pcm.size(); at += chunk) {
            const std::size_t n = std::min(chunk, pcm.size() - at);
            file.write(reinterpret_cast<const char*>(pcm.data() + at), qint64(n * 2));
            file.flush();
            pace();
        }
        return true;
    }

private:
    QTemporaryDir scratch_;
    QString socket_;
    ScopedEnv server_;
    QProcess process_;
};
