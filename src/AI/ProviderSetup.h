#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "AI/ProviderInstaller.h"
#include "Settings/ProviderID.h"

class ProviderStatusStore;
class SettingsStore;
class QProcess;

namespace Platform {
class Clock;
class Timer;
}  // namespace Platform

// Installs a missing AI tool into ~/.local/bin and signs the user in to it, and tracks how
// far each tool has come. One object lives as long as the program; main thread only.
class ProviderSetup final : public QObject {
    Q_OBJECT

public:
    struct Phase {
        enum class Kind { idle, installing, waitingForLogin, failed };

        Kind kind = Kind::idle;
        // waitingForLogin: the sign-in address, once the login command has printed it.
        std::optional<QUrl> url;
        // failed: the text for the user.
        QString message;

        static Phase idle() { return {}; }
        static Phase installing() { return {Kind::installing, std::nullopt, {}}; }
        static Phase waitingForLogin(std::optional<QUrl> url = std::nullopt) {
            return {Kind::waitingForLogin, std::move(url), {}};
        }
        static Phase failed(QString message) { return {Kind::failed, std::nullopt, message}; }

        bool operator==(const Phase&) const = default;
    };

    static constexpr std::chrono::milliseconds pauseBeforeLogin{600};
    static constexpr std::chrono::milliseconds pollInterval{2000};
    static constexpr int maximumChecks = 150;

    ProviderSetup(ProviderStatusStore& status, SettingsStore& settings, Platform::Clock& clock,
                  QObject* parent = nullptr);
    ~ProviderSetup() override;

    const std::map<ProviderID, Phase>& phases() const { return phases_; }
    // Idle for a tool that never went through setup.
    Phase phase(ProviderID provider) const;

    // Installs the tool and, when that worked, signs in. `done` runs when the whole flow has
    // ended.
    void install(ProviderID provider, std::function<void()> done = {});
    // Runs the tool's login command and waits, checking every two seconds, until the tool
    // reports a signed-in account, the command ends, 150 checks have passed, or the
    // sign-in is cancelled or replaced by a new one. `done` runs then.
    void login(ProviderID provider, std::function<void()> done = {});
    // Stops a running sign-in.
    void cancel(ProviderID provider);

    // What follows the tool's program in its own login command.
    static QStringList loginArguments(ProviderID provider);

    // Where the installers download from; tests use local files.
    void setInstallerSources(const ProviderInstaller::Sources& sources) { sources_ = sources; }

signals:
    void phasesChanged();

private:
    struct LoginRun;
    struct Located;

    void setPhase(ProviderID provider, const Phase& phase);
    // Shows `message`; `toolMissing` when it says the tool is not there, which a tool found
    // since contradicts.
    void fail(ProviderID provider, const QString& message, bool toolMissing);
    // A failure message goes once the status shows it no longer holds: any tool found after
    // one that was missing, a signed-in tool after a sign-in that failed.
    void dropContradictedFailures();
    void startLogin(ProviderID provider, std::uint64_t generation, const Located& located,
                    std::function<void()> done);
    void readLoginOutput(ProviderID provider, std::uint64_t generation);
    void schedulePoll(ProviderID provider);
    void poll(ProviderID provider, std::uint64_t generation);
    void afterCheck(ProviderID provider, std::uint64_t generation, bool ready);
    // The sign-in of `provider` when it is still the one numbered `generation`.
    LoginRun* currentRun(ProviderID provider, std::uint64_t generation) const;
    // Ends the sign-in's process and its record; its caller is told it has ended.
    void endRun(ProviderID provider);
    void chooseSignedInProvider(ProviderID provider);

    ProviderStatusStore& status_;
    SettingsStore& settings_;
    Platform::Clock& clock_;
    ProviderInstaller::Sources sources_ = ProviderInstaller::officialSources();
    std::map<ProviderID, Phase> phases_;
    // For each failed phase: whether its message says the tool is missing.
    std::map<ProviderID, bool> failedForMissingTool_;
    std::map<ProviderID, std::unique_ptr<LoginRun>> loginProcesses_;
    // Counts the sign-ins (and cancellations) per tool, so that a step of an earlier one that
    // is still under way can tell it has been replaced.
    std::map<ProviderID, std::uint64_t> generations_;
    // The pause between a finished install and its sign-in, with the install's completion.
    struct PendingLogin {
        std::unique_ptr<Platform::Timer> timer;
        std::function<void()> done;
    };
    std::map<ProviderID, PendingLogin> pauses_;
    // Set when we go: running installers stop, so that quitting neither waits for a
    // hanging download nor leaves it behind.
    std::shared_ptr<std::atomic<bool>> stopInstalls_ = std::make_shared<std::atomic<bool>>(false);
};
