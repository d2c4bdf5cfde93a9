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
#include <cstring>

#include "Actions/ShellCommand.h"
#include "Platform/AppPaths.h"
#include "Platform/ChildProcess.h"
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
    return QString::fromLocal8Bit(std::strerror(error));
}

// A folder only we can read, for the unpacked archive.
std::optional<QString> makeScratchFolder() {
    const QString path = Platform::AppPaths::temporaryFolder() + QStringLiteral("/tavrin-codex-") +
                         QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    QDir().mkpath(Platform::AppPaths::temporaryFolder());
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0)
        return std::nullopt;
    return path;
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
    // pipefail: a failed download must fail the install, not run an empty script with success
    // while an old program still lies in place.
    const QString command = QStringLiteral("set -o pipefail; curl -fsSL ") +
                            ShellCommand::quote(sources.claudeScript) + QStringLiteral(" | bash");
    const ShellResult result =
        shell(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), command}, searchPath, stop);
    const QFileInfo installed(localBin() + QStringLiteral("/claude"));
    if (result.status == 0 && installed.isFile() && installed.isExecutable())
        return std::nullopt;
    return tr("Claude Code konnte nicht installiert werden.") + QLatin1Char(' ') +
           lastLine(result.output);
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
    const std::optional<QString> scratch = makeScratchFolder();
    if (!scratch)
        return tr("Codex konnte nicht geladen werden.") + QLatin1Char(' ') + systemError(errno);

    const QString member = QStringLiteral("codex-") + *target;
    const QString archive = sources.codexReleases + member + QStringLiteral(".tar.gz");
    // umask 077: what tar unpacks stays private to the user until it is in place.
    const QString command = QStringLiteral("set -o pipefail; umask 077; curl -fsSL ") +
                            ShellCommand::quote(archive) + QStringLiteral(" | tar xz -C ") +
                            ShellCommand::quote(*scratch);
    const ShellResult result =
        shell(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), command}, searchPath, stop);

    std::optional<QString> message;
    const QString extracted = *scratch + QLatin1Char('/') + member;
    if (result.status == 0 && QFileInfo(extracted).isFile()) {
        if (auto failure = placeCodex(extracted))
            message = tr("Codex konnte nicht installiert werden.") + QLatin1Char(' ') + *failure;
    } else {
        message =
            tr("Codex konnte nicht geladen werden.") + QLatin1Char(' ') + lastLine(result.output);
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
