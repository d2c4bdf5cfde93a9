#include "AI/ProviderInstaller.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QUuid>
#include <cerrno>
#include <cstdio>

#include "Actions/ShellCommand.h"
#include "Platform/AppPaths.h"
#include "Platform/ChildProcess.h"
#include "Platform/PrivateFile.h"
#include "Platform/Utf8.h"

namespace ProviderInstaller {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ProviderSetup", text);
}

QString homeFolder() {
    return Platform::AppPaths::homeFolder();
}

QString localBin() {
    return homeFolder() + QStringLiteral("/.local/bin");
}

QString systemError(int error) {
    return Platform::PrivateFile::reason(error);
}

QString downloadFailed(const QString& reason) {
    return tr("Der Download ist fehlgeschlagen: %1").arg(reason);
}

// curl reports a failure on a line of its own, "curl: (6) Could not resolve host: …", also when
// an install script runs it.
std::optional<int> curlFailure(const QString& output) {
    static const QRegularExpression line(QStringLiteral("(?:^|\\n)curl: \\((\\d{1,3})\\)"));
    QRegularExpressionMatchIterator matches = line.globalMatch(output);
    std::optional<int> last;
    while (matches.hasNext())
        last = matches.next().captured(1).toInt();
    return last;
}

// A folder only we can read, for what is downloaded and unpacked.
std::optional<QString> makeScratchFolder(const QString& tool) {
    const QString path = Platform::AppPaths::temporaryFolder() + QStringLiteral("/tavrin-") + tool +
                         QLatin1Char('-') +
                         QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    QDir().mkpath(Platform::AppPaths::temporaryFolder());
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0)
        return std::nullopt;
    return path;
}

// What the user needs to know of a failed download, from curl's exit status (bash's 127 when
// there is no curl) and, for an answer of the server, the status it names.
QString downloadReason(int status, const QString& output) {
    switch (status) {
        case -1:
            return tr("bash konnte nicht gestartet werden.");
        case 127:
            return tr("curl ist nicht installiert (Paket curl).");
        case 5:
            return tr("Der Proxy-Server wurde nicht gefunden.");
        case 6:
            return tr("Der Server wurde nicht gefunden. Besteht eine Internetverbindung?");
        case 7:
            return tr("Der Server ist nicht erreichbar. Besteht eine Internetverbindung?");
        case 22: {
            static const QRegularExpression code(QStringLiteral("error: (\\d{3})"));
            const QRegularExpressionMatch match = code.match(output);
            return match.hasMatch()
                       ? tr("Der Server antwortet mit Fehler %1.").arg(match.captured(1))
                       : tr("Der Server liefert die Datei nicht.");
        }
        case 28:
            return tr("Der Server antwortet nicht rechtzeitig.");
        case 16:
        case 18:
        case 56:
        case 92:
            return tr("Die Verbindung ist während des Downloads abgebrochen.");
        case 23:
            return tr("Die Datei konnte nicht gespeichert werden. Ist der Datenträger voll?");
        case 35:
        case 51:
        case 53:
        case 54:
        case 58:
        case 59:
        case 60:
        case 77:
        case 80:
        case 83:
        case 90:
        case 91:
            return tr("Eine sichere Verbindung zum Server kam nicht zustande.");
        default:
            return tr("curl meldet Fehler %1.").arg(status);
    }
}

std::optional<QString> placeCodex(const QString& extracted) {
    // The new program replaces the old one in a single rename, so a failed move leaves the
    // old one in place.
    const QString target = localBin() + QStringLiteral("/codex");
    if (auto failure = moveFile(extracted, target))
        return failure;
    if (::chmod(QFile::encodeName(target).constData(), 0755) != 0)
        return systemError(errno);
    return std::nullopt;
}

}  // namespace

Sources officialSources() {
    return {QStringLiteral("https://claude.ai/install.sh"),
            QStringLiteral("https://github.com/openai/codex/releases/latest/download/")};
}

std::optional<QString> codexTarget(const QString& cpuArchitecture) {
    if (cpuArchitecture == QLatin1String("x86_64"))
        return QStringLiteral("x86_64-unknown-linux-musl");
    if (cpuArchitecture == QLatin1String("arm64") || cpuArchitecture == QLatin1String("aarch64"))
        return QStringLiteral("aarch64-unknown-linux-musl");
    return std::nullopt;
}

ShellResult shell(const QString& executable, const QStringList& arguments,
                  const QString& searchPath, const std::atomic<bool>* stop) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), searchPath);
    environment.insert(QStringLiteral("HOME"), homeFolder());
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    // A group of its own, so that stopping also ends the download and unpacking it started.
    process.setChildProcessModifier(Platform::ChildProcess::prepare);
    process.start(executable, arguments);
    if (!process.waitForStarted(-1))
        return {-1, process.errorString()};
    // QProcess keeps reading the pipe while it waits, so a chatty child cannot block.
    while (process.state() != QProcess::NotRunning) {
        if (stop && stop->load()) {
            ::kill(-static_cast<pid_t>(process.processId()), SIGKILL);
            process.waitForFinished(2000);
            return {-1, QString()};
        }
        process.waitForFinished(100);
    }
    const QByteArray output = process.readAll();
    const int status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {status, Utf8::decodeStrictly(output).value_or(QString())};
}

std::optional<QString> installClaude(const Sources& sources, const QString& searchPath,
                                     const std::atomic<bool>* stop) {
    const QString failed = tr("Claude Code konnte nicht installiert werden.") + QLatin1Char(' ');
    const std::optional<QString> scratch = makeScratchFolder(QStringLiteral("claude"));
    if (!scratch)
        return failed + systemError(errno);
    // The script is downloaded whole before it runs: a failed download fails the install and
    // is told as one, while an old program may still lie in place.
    const QString script = *scratch + QStringLiteral("/install.sh");
    const ShellResult loaded =
        shell(QStringLiteral("/bin/bash"),
              {QStringLiteral("-c"), QStringLiteral("umask 077; curl -fsSL -o ") +
                                         ShellCommand::quote(script) + QLatin1Char(' ') +
                                         ShellCommand::quote(sources.claudeScript)},
              searchPath, stop);
    if (loaded.status != 0) {
        QDir(*scratch).removeRecursively();
        return failed + downloadFailed(downloadReason(loaded.status, loaded.output));
    }
    const ShellResult result = shell(QStringLiteral("/bin/bash"), {script}, searchPath, stop);
    QDir(*scratch).removeRecursively();
    const QFileInfo installed(localBin() + QStringLiteral("/claude"));
    if (result.status == 0 && installed.isFile() && installed.isExecutable())
        return std::nullopt;
    // A download the script started itself: curl said why.
    if (const std::optional<int> curl = curlFailure(result.output))
        return failed + downloadFailed(downloadReason(*curl, result.output));
    if (result.status == 0)
        return failed + tr("Das Installationsprogramm hat kein Programm in ~/.local/bin abgelegt.");
    // The script's own last words say what went wrong, in its language.
    const QString last = lastLine(result.output);
    if (last.isEmpty())
        return failed +
               tr("Das Installationsprogramm ist mit Fehler %1 abgebrochen.").arg(result.status);
    return failed + tr("Das Installationsprogramm meldet: %1").arg(last);
}

std::optional<QString> installCodex(const Sources& sources, const QString& searchPath,
                                    const QString& cpuArchitecture, const std::atomic<bool>* stop) {
    const std::optional<QString> target = codexTarget(cpuArchitecture);
    if (!target)
        return tr("Codex konnte nicht geladen werden.") + QLatin1Char(' ') +
               QCoreApplication::translate("ProviderSetup",
                                           "Für die Architektur %1 gibt es kein Programm.")
                   .arg(cpuArchitecture);
    QDir().mkpath(localBin());
    const std::optional<QString> scratch = makeScratchFolder(QStringLiteral("codex"));
    if (!scratch)
        return tr("Codex konnte nicht geladen werden.") + QLatin1Char(' ') + systemError(errno);

    const QString member = QStringLiteral("codex-") + *target;
    const QString address = sources.codexReleases + member + QStringLiteral(".tar.gz");
    const QString archive = *scratch + QStringLiteral("/download.tar.gz");
    // Downloaded whole before it is unpacked, so that a failed download is told as one and
    // not by what tar makes of a broken stream. umask 077: what curl and tar write stays
    // private to the user until it is in place.
    const QString download = QStringLiteral("umask 077; curl -fsSL -o ") +
                             ShellCommand::quote(archive) + QLatin1Char(' ') +
                             ShellCommand::quote(address);
    const QString unpack = QStringLiteral("umask 077; tar xzf ") + ShellCommand::quote(archive) +
                           QStringLiteral(" -C ") + ShellCommand::quote(*scratch);
    const auto run = [&](const QString& command) {
        return shell(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), command}, searchPath,
                     stop);
    };

    std::optional<QString> message;
    const QString notLoaded = tr("Codex konnte nicht geladen werden.") + QLatin1Char(' ');
    const QString extracted = *scratch + QLatin1Char('/') + member;
    if (const ShellResult loaded = run(download); loaded.status != 0) {
        message = notLoaded + downloadFailed(downloadReason(loaded.status, loaded.output));
    } else if (run(unpack).status != 0) {
        message = notLoaded + tr("Die heruntergeladene Datei ist kein lesbares Archiv.");
    } else if (!QFileInfo(extracted).isFile()) {
        message = notLoaded + tr("Im Archiv fehlt das Programm für diesen Rechner.");
    } else if (auto failure = placeCodex(extracted)) {
        message = tr("Codex konnte nicht installiert werden.") + QLatin1Char(' ') + *failure;
    }
    QDir(*scratch).removeRecursively();
    return message;
}

QString lastLine(const QString& text) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|[\n\v\f\r\u0085\u2028\u2029]"));
    const QStringList pieces = text.split(breaks, Qt::SkipEmptyParts);
    return pieces.isEmpty() ? QString() : pieces.last();
}

std::optional<QString> moveFile(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray destination = QFile::encodeName(to);
    if (std::rename(source.constData(), destination.constData()) == 0)
        return std::nullopt;
    if (errno != EXDEV)
        return systemError(errno);
    // Across file systems: copy beside the destination, then rename over it, so that `to` is
    // either the old file or the whole new one.
    const QString partial = to + QStringLiteral(".partial-") +
                            QUuid::createUuid().toString(QUuid::WithoutBraces);
    QFile original(from);
    if (!original.copy(partial)) {
        QFile::remove(partial);
        return original.errorString();
    }
    if (std::rename(QFile::encodeName(partial).constData(), destination.constData()) != 0) {
        const QString reason = systemError(errno);
        QFile::remove(partial);
        return reason;
    }
    original.remove();
    return std::nullopt;
}

}  // namespace ProviderInstaller
