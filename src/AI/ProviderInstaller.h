#pragma once

#include <QString>
#include <QStringList>
#include <QSysInfo>
#include <atomic>
#include <optional>

// The installers of the two AI tools: blocking work for a background thread. They put the
// tools into the user's ~/.local/bin.
namespace ProviderInstaller {

// Where the installers come from. Tests point them at local files.
struct Sources {
    // The Claude tool's own install script.
    QString claudeScript;
    // The folder address of the Codex release archives, ending in "/".
    QString codexReleases;

    bool operator==(const Sources&) const = default;
};

Sources officialSources();

// The Codex Linux build for a CPU architecture as QSysInfo names it ("x86_64", "arm64"):
// its musl target, which is also the name of the archive and of its one member. None when
// there is no build for the architecture.
std::optional<QString> codexTarget(const QString& cpuArchitecture);

struct ShellResult {
    int status = 0;
    QString output;

    bool operator==(const ShellResult&) const = default;
};

// Runs a program with PATH set to `searchPath` and HOME to the user's home; standard output
// and error are read together, standard input is empty. -1 and the reason when it cannot
// be started. Blocking, without a time limit (a download may take long); once `stop` turns
// true the program and everything it started are killed and -1 comes back.
ShellResult shell(const QString& executable, const QStringList& arguments,
                  const QString& searchPath, const std::atomic<bool>* stop = nullptr);

// None on success, else the message for the user. `stop` as for shell().
std::optional<QString> installClaude(const Sources& sources, const QString& searchPath,
                                     const std::atomic<bool>* stop = nullptr);
std::optional<QString> installCodex(
    const Sources& sources, const QString& searchPath,
    const QString& cpuArchitecture = QSysInfo::currentCpuArchitecture(),
    const std::atomic<bool>* stop = nullptr);

// The last non-empty line of a text, untrimmed; empty when there is none.
QString lastLine(const QString& text);

// Moves a file; across file systems (a temporary folder on tmpfs) by copying and deleting.
// None on success, else the reason.
std::optional<QString> moveFile(const QString& from, const QString& to);

}  // namespace ProviderInstaller
