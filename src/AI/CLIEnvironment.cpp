#include "AI/CLIEnvironment.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>

#include "Platform/AppPaths.h"
#include "Platform/LoginShell.h"
#include "Platform/PasswordDatabase.h"
#include "Platform/Utf8.h"

extern char** environ;

namespace CLIEnvironment {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto probeLimit = std::chrono::milliseconds(5000);
constexpr int probePollMs = 20;

struct Cache {
    // Held for the whole first computation, so the shell runs once however many callers
    // arrive meanwhile.
    std::mutex lock;
    std::optional<QString> path;
    // Forgetting only counts up, without the lock: a probe under way holds it for up to
    // five seconds, and the installer forgets on the main thread. A path computed before
    // the latest forgetting is out of date.
    std::atomic<std::uint64_t> forgotten{0};
    std::uint64_t pathAfter = 0;

    bool holdsCurrentPath() const { return path && pathAfter == forgotten.load(); }
};

Cache& cache() {
    static Cache instance;
    return instance;
}

bool isExecutableFile(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    return ::stat(native.constData(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(native.constData(), X_OK) == 0;
}

QString expandTilde(const QString& path) {
    if (!path.startsWith(QLatin1Char('~')))
        return path;
    const qsizetype slash = path.indexOf(QLatin1Char('/'));
    const QString user = path.mid(1, slash < 0 ? -1 : slash - 1);
    const QString rest = slash < 0 ? QString() : path.mid(slash);
    if (user.isEmpty())
        return Platform::AppPaths::homeFolder() + rest;
    const auto entry = Platform::PasswordDatabase::forName(user);
    if (!entry || entry->home.isEmpty())
        return path;
    return entry->home + rest;
}

// The tool starts in a folder of its own (a project, the temporary folder), where a relative
// path would name another file than the one checked here: anchor it where it was found.
QString anchored(const QString& path) {
    return QDir::isRelativePath(path) ? QDir::current().absoluteFilePath(path) : path;
}

QString trimSpacesAndTabs(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && blank(text.at(begin)))
        ++begin;
    while (end > begin && blank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// Reads whatever the pipe holds right now; false once it reached its end.
bool drain(int fd, QByteArray& output) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            output.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

// Runs `command` in the user's login shell, interactive so that it reads the user's start-up
// files, and returns its standard output; none when it cannot start or takes longer than
// the limit. The pipe is drained while waiting: a chatty profile must not stall the shell.
std::optional<QByteArray> runShell(const QString& command) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    // A session of its own: an interactive shell must not take over a terminal Tavrin was
    // started from, and the whole session's group can be killed on time-out.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigset_t noneBlocked;
    sigemptyset(&noneBlocked);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &noneBlocked);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    const QByteArray shell = QFile::encodeName(Platform::LoginShell::path());
    const QByteArray flags = "-ilc";
    const QByteArray script = command.toUtf8();
    char* argv[] = {const_cast<char*>(shell.constData()), const_cast<char*>(flags.constData()),
                    const_cast<char*>(script.constData()), nullptr};
    pid_t pid = 0;
    const int spawned =
        ::posix_spawn(&pid, shell.constData(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        return std::nullopt;
    }

    QByteArray output;
    bool open = true;
    const auto deadline = Clock::now() + probeLimit;
    for (;;) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            drain(fds[0], output);
            ::close(fds[0]);
            return output;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        const int wait = std::min<int>(probePollMs, int(left.count()) + 1);
        if (open) {
            pollfd watch{fds[0], POLLIN, 0};
            if (::poll(&watch, 1, wait) > 0)
                open = drain(fds[0], output);
        } else {
            ::poll(nullptr, 0, wait);
        }
    }
    // Interactive shells ignore SIGTERM; the probe has nothing to clean up.
    ::kill(-pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ::close(fds[0]);
    return std::nullopt;
}

QStringList markedPath(const std::optional<QByteArray>& output) {
    if (!output)
        return {};
    const std::optional<QString> text = Utf8::decodeStrictly(*output);
    if (!text)
        return {};
    static const QRegularExpression marked(QStringLiteral("__P__(.*)__P__"));
    const QRegularExpressionMatch match = marked.match(*text);
    if (!match.hasMatch())
        return {};
    return match.captured(1).split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

QString computeShellPATH() {
    const QString home = Platform::AppPaths::homeFolder();
    QStringList folders = markedPath(runShell(QStringLiteral("printf '__P__%s__P__' \"$PATH\"")));
    const QStringList fallback = {home + QStringLiteral("/.local/bin"),
                                  QStringLiteral("/opt/homebrew/bin"),
                                  QStringLiteral("/usr/local/bin"),
                                  QStringLiteral("/usr/bin"),
                                  QStringLiteral("/bin"),
                                  QStringLiteral("/usr/sbin"),
                                  QStringLiteral("/sbin")};
    for (const QString& folder : fallback) {
        if (!folders.contains(folder))
            folders << folder;
    }
    return folders.join(QLatin1Char(':'));
}

// The asynchronous forms wait (for the login shell, for the lock) on threads of their own:
// the shared pool may be filled with long work (installs, status checks), and a request
// must not queue behind it. Main thread only; the pool ends with the application.
QThreadPool* waitingPool() {
    static QPointer<QThreadPool> pool;
    if (!pool) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return QThreadPool::globalInstance();
        pool = new QThreadPool(app);
    }
    return pool;
}

void deliverOnMainThread(std::function<void()> call) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
}

}  // namespace

std::optional<QString> locate(const QString& name, const QString& customPath) {
    return find(name, customPath).executable;
}

Location find(const QString& name, const QString& customPath) {
    const QString custom = trimSpacesAndTabs(expandTilde(customPath));
    if (!custom.isEmpty() && isExecutableFile(anchored(custom)))
        return {anchored(custom), false};
    const bool passedOver = !custom.isEmpty();
    const QStringList folders = shellPATH().split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& folder : folders) {
        const QString candidate = anchored(folder + QLatin1Char('/') + name);
        if (isExecutableFile(candidate))
            return {candidate, passedOver};
    }
    return {std::nullopt, passedOver};
}

QString shellPATH() {
    Cache& shared = cache();
    std::lock_guard lock(shared.lock);
    if (!shared.holdsCurrentPath()) {
        const std::uint64_t after = shared.forgotten.load();
        shared.path = computeShellPATH();
        shared.pathAfter = after;
    }
    return *shared.path;
}

void forgetShellPATH() {
    ++cache().forgotten;
}

std::optional<QString> cachedShellPATH() {
    Cache& shared = cache();
    std::unique_lock lock(shared.lock, std::try_to_lock);
    if (!lock.owns_lock() || !shared.holdsCurrentPath())
        return std::nullopt;
    return shared.path;
}

void shellPATHAsync(QObject* context, std::function<void(const QString&)> done) {
    QPointer<QObject> guard(context);
    if (const std::optional<QString> cached = cachedShellPATH()) {
        deliverOnMainThread([guard, done = std::move(done), path = *cached] {
            if (guard)
                done(path);
        });
        return;
    }
    waitingPool()->start([guard, done = std::move(done)]() mutable {
        const QString path = shellPATH();
        deliverOnMainThread([guard = std::move(guard), done = std::move(done), path] {
            if (guard)
                done(path);
        });
    });
}

void locateAsync(const QString& name, const QString& customPath, QObject* context,
                 std::function<void(const std::optional<QString>&)> done) {
    findAsync(name, customPath, context,
              [done = std::move(done)](const Location& found) { done(found.executable); });
}

void findAsync(const QString& name, const QString& customPath, QObject* context,
               std::function<void(const Location&)> done) {
    QPointer<QObject> guard(context);
    waitingPool()->start([name, customPath, guard, done = std::move(done)]() mutable {
        const Location found = find(name, customPath);
        deliverOnMainThread([guard = std::move(guard), done = std::move(done), found] {
            if (guard)
                done(found);
        });
    });
}

}  // namespace CLIEnvironment
