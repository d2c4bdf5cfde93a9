#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

// Where the outside programs (the AI tools, gh) are: at the path the user typed in the
// settings, or along the search path of the user's login shell, which is asked once and
// kept. Every child process gets that search path as its PATH.
namespace CLIEnvironment {

// The executable to run for the tool `name` ("claude", "codex", "gh"): `customPath` when it
// names an executable file (a leading "~" is the home folder, spaces and tabs around it are
// ignored), else the first executable `name` along shellPATH(). None when there is none.
// Always an absolute path: a relative custom path or search folder counts from Tavrin's own
// working folder, not from the one the tool will start in.
// Blocks while the search path is computed for the first time.
std::optional<QString> locate(const QString& name, const QString& customPath);

// What locate() found, and whether it passed over a custom path that names no executable
// file: the user must learn that the path typed is not the program that answers.
struct Location {
    std::optional<QString> executable;
    bool customPathPassedOver = false;

    bool operator==(const Location&) const = default;
};
Location find(const QString& name, const QString& customPath);

// The login shell's PATH followed by the common folders it lacks (~/.local/bin,
// /opt/homebrew/bin, /usr/local/bin, /usr/bin, /bin, /usr/sbin, /sbin), colon-separated.
// The first call runs the shell (up to 5 seconds) under a lock; callers that arrive meanwhile
// wait for that one run. Later calls answer from the cache. Safe on any thread.
QString shellPATH();

// Forgets the cached search path, so that the next shellPATH() asks the shell again (after
// installing a tool). Never waits, also not for a shell run under way; that run's answer
// goes to the callers already waiting for it and is not kept.
void forgetShellPATH();

// The cached search path; none while it is being computed or before. Never blocks.
std::optional<QString> cachedShellPATH();

// Asynchronous forms for the main thread: the blocking work runs on the thread pool and
// `done` is called on the main thread, unless `context` was destroyed meanwhile.
void shellPATHAsync(QObject* context, std::function<void(const QString&)> done);
void locateAsync(const QString& name, const QString& customPath, QObject* context,
                 std::function<void(const std::optional<QString>&)> done);
void findAsync(const QString& name, const QString& customPath, QObject* context,
               std::function<void(const Location&)> done);

}  // namespace CLIEnvironment
