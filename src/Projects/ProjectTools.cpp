#include "Projects/ProjectTools.h"

#include <signal.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>

#include "Platform/Characters.h"
#include "Platform/ChildProcess.h"
#include "Platform/Utf8.h"
#include "Storage/Blanks.h"

namespace ProjectTools {

namespace {

constexpr qsizetype minimumTermLength = 3;

qsizetype score(const Project& project, const QString& loweredHaystack) {
    qsizetype total = 0;
    QStringList terms{project.name};
    terms += project.keywords;
    for (const QString& raw : terms) {
        const QString term = Blanks::trimmed(raw).toLower();
        const qsizetype length = Characters::count(term);
        if (length < minimumTermLength)
            continue;
        if (loweredHaystack.contains(term))
            total += length;
    }
    return total;
}

}  // namespace

std::optional<Project> match(const QList<Project>& projects, const QString& haystack) {
    const QString lowered = haystack.toLower();
    const Project* best = nullptr;
    qsizetype bestScore = 0;
    for (const Project& project : projects) {
        const qsizetype value = score(project, lowered);
        if (value >= 1 && value > bestScore) {
            best = &project;
            bestScore = value;
        }
    }
    if (!best)
        return std::nullopt;
    return *best;
}

std::optional<QString> parseGitHubRepo(const QString& remote) {
    // The host is written into the pattern as it is, so its dot matches any character.
    static const QRegularExpression host(QStringLiteral("github.com[:/]"));
    const QRegularExpressionMatch found = host.match(remote);
    if (!found.hasMatch())
        return std::nullopt;
    QString rest = remote.mid(found.capturedEnd());
    if (rest.endsWith(QLatin1String(".git")))
        rest.chop(4);
    const QStringList pieces = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (pieces.size() < 2)
        return std::nullopt;
    return pieces.at(0) + QLatin1Char('/') + pieces.at(1);
}

std::optional<QString> detectRepo(const QString& folder) {
    return detectRepo(folder, QStringLiteral("/usr/bin/git"), std::chrono::seconds(3));
}

std::optional<QString> detectRepo(const QString& folder, const QString& gitProgram,
                                  std::chrono::milliseconds limit) {
    QProcess git;
    git.setProgram(gitProgram);
    git.setArguments({QStringLiteral("-C"), folder, QStringLiteral("remote"),
                      QStringLiteral("get-url"), QStringLiteral("origin")});
    git.setInputChannelMode(QProcess::ForwardedInputChannel);
    git.setStandardErrorFile(QProcess::nullDevice());
    // Its own process group, so that a hung git and anything it started can be ended
    // together; otherwise a grandchild holding the pipe could outlive the time limit.
    git.setChildProcessModifier(Platform::ChildProcess::prepare);
    // One limit for the whole run: starting and finishing share it.
    QDeadlineTimer deadline(limit);
    git.start(QIODevice::ReadOnly);
    if (!git.waitForStarted(static_cast<int>(deadline.remainingTime())))
        return std::nullopt;
    if (!git.waitForFinished(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0)))) {
        if (const qint64 pid = git.processId(); pid > 0)
            ::kill(-static_cast<pid_t>(pid), SIGKILL);
        git.kill();
        git.waitForFinished(1000);
        return std::nullopt;
    }
    // The exit status does not matter: a failing git prints nothing to standard output.
    const QByteArray output = git.readAllStandardOutput();
    return parseGitHubRepo(Utf8::decodeStrictly(output).value_or(QString()).trimmed());
}

}  // namespace ProjectTools
