#include "AI/ProviderSetup.h"

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <utility>
#include <vector>

#include "AI/BackgroundTask.h"
#include "AI/CLIEnvironment.h"
#include "AI/ProviderStatusStore.h"
#include "Platform/AppPaths.h"
#include "Platform/ChildProcess.h"
#include "Platform/Clock.h"
#include "Platform/Utf8.h"
#include "Settings/SettingsStore.h"

namespace {

constexpr int loginGraceMs = 2000;

// Ends a login command and whatever it started (it runs in a process group of its own):
// SIGTERM now, SIGKILL after a grace period. The process object goes once the child is gone.
void endProcess(QProcess* process) {
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    const pid_t group = static_cast<pid_t>(process->processId());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    ::kill(-group, SIGTERM);
    QTimer::singleShot(loginGraceMs, process, [process, group] {
        if (process->state() != QProcess::NotRunning)
            ::kill(-group, SIGKILL);
    });
}

// The first secure web address in one piece of output.
std::optional<QUrl> signInAddress(const QByteArray& output) {
    // Unicode-aware \s: a no-break or ideographic space after the address is no part of it.
    static const QRegularExpression address(QStringLiteral("https://[^\\s\"'<>]+"),
                                            QRegularExpression::UseUnicodePropertiesOption);
    const std::optional<QString> text = Utf8::decodeStrictly(output);
    if (!text)
        return std::nullopt;
    const QRegularExpressionMatch match = address.match(*text);
    if (!match.hasMatch())
        return std::nullopt;
    const QUrl url(match.captured(), QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

}  // namespace

struct ProviderSetup::LoginRun {
    std::uint64_t generation = 0;
    QProcess* process = nullptr;
    int checks = 0;
    std::unique_ptr<Platform::Timer> wait;
    std::function<void()> done;

    void finish() {
        wait.reset();
        if (auto callback = std::exchange(done, nullptr))
            callback();
    }
};

struct ProviderSetup::Located {
    std::optional<QString> executable;
    QString searchPath;
};

ProviderSetup::ProviderSetup(ProviderStatusStore& status, SettingsStore& settings,
                             Platform::Clock& clock, QObject* parent)
    : QObject(parent), status_(status), settings_(settings), clock_(clock) {
    // Installs run on the shared pool, which the application waits for before it destroys
    // the objects it owns: waiting for our own destruction would let a stalled download hold
    // up quitting when this object belongs to the application.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this,
                [stop = stopInstalls_] { stop->store(true); });
    }
    connect(&status_, &ProviderStatusStore::statesChanged, this,
            &ProviderSetup::dropContradictedFailures);
}

ProviderSetup::~ProviderSetup() {
    stopInstalls_->store(true);
    // Login commands, and those still being ended, go with us.
    for (QProcess* process : findChildren<QProcess*>()) {
        if (process->state() == QProcess::NotRunning)
            continue;
        ::kill(-static_cast<pid_t>(process->processId()), SIGKILL);
        process->waitForFinished(1000);
    }
}

QStringList ProviderSetup::loginArguments(ProviderID provider) {
    if (provider == ProviderID::claudeCLI)
        return {QStringLiteral("auth"), QStringLiteral("login")};
    return {QStringLiteral("login")};
}

ProviderSetup::Phase ProviderSetup::phase(ProviderID provider) const {
    const auto entry = phases_.find(provider);
    return entry == phases_.end() ? Phase::idle() : entry->second;
}

void ProviderSetup::setPhase(ProviderID provider, const Phase& phase) {
    if (this->phase(provider) == phase && phases_.count(provider))
        return;
    phases_[provider] = phase;
    emit phasesChanged();
}

void ProviderSetup::fail(ProviderID provider, const QString& message, bool toolMissing) {
    failedForMissingTool_[provider] = toolMissing;
    setPhase(provider, Phase::failed(message));
}

void ProviderSetup::dropContradictedFailures() {
    std::vector<ProviderID> dropped;
    for (const auto& [provider, phase] : phases_) {
        if (phase.kind != Phase::Kind::failed)
            continue;
        const ProviderStatusStore::State::Kind status = status_.state(provider).kind;
        const bool found = status == ProviderStatusStore::State::Kind::ready ||
                           status == ProviderStatusStore::State::Kind::notLoggedIn;
        if (status == ProviderStatusStore::State::Kind::ready ||
            (found && failedForMissingTool_[provider]))
            dropped.push_back(provider);
    }
    for (const ProviderID provider : dropped)
        setPhase(provider, Phase::idle());
}

void ProviderSetup::install(ProviderID provider, std::function<void()> done) {
    setPhase(provider, Phase::installing());
    runInBackground(
        this,
        [provider, sources = sources_, stop = stopInstalls_] {
            const QString searchPath = CLIEnvironment::shellPATH();
            return provider == ProviderID::claudeCLI
                       ? ProviderInstaller::installClaude(sources, searchPath, stop.get())
                       : ProviderInstaller::installCodex(
                             sources, searchPath, QSysInfo::currentCpuArchitecture(), stop.get());
        },
        [this, provider, done = std::move(done)](std::optional<QString> message) mutable {
            // A tool just installed into ~/.local/bin must be found by the next search.
            CLIEnvironment::forgetShellPATH();
            status_.refresh(settings_.settings());
            if (message) {
                fail(provider, *message, true);
                if (done)
                    done();
                return;
            }
            PendingLogin& pending = pauses_[provider];
            // A later install takes over the sign-in; the earlier one still has to finish.
            if (pending.done)
                std::exchange(pending.done, {})();
            pending.done = std::move(done);
            pending.timer = clock_.singleShot(pauseBeforeLogin, [this, provider] {
                login(provider, std::exchange(pauses_[provider].done, {}));
            });
        });
}

void ProviderSetup::login(ProviderID provider, std::function<void()> done) {
    const std::uint64_t generation = ++generations_[provider];
    if (loginProcesses_.count(provider))
        endRun(provider);
    runInBackground(
        this,
        [name = ProviderStatusStore::programName(provider),
         path = ProviderStatusStore::customPathFor(provider, settings_.settings())] {
            // Both may wait for the login shell the first time.
            return Located{CLIEnvironment::locate(name, path), CLIEnvironment::shellPATH()};
        },
        [this, provider, generation, done = std::move(done)](Located located) mutable {
            if (generations_[provider] != generation) {
                // Cancelled or replaced while the tool was being looked for.
                if (done)
                    done();
                return;
            }
            startLogin(provider, generation, located, std::move(done));
        });
}

void ProviderSetup::startLogin(ProviderID provider, std::uint64_t generation,
                               const Located& located, std::function<void()> done) {
    if (!located.executable) {
        fail(provider, tr("Das Programm wurde nicht gefunden. Bitte zuerst installieren."), true);
        if (done)
            done();
        return;
    }
    setPhase(provider, Phase::waitingForLogin());

    auto* process = new QProcess(this);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Only PATH is ours; HOME stays as we have it, for the tool keeps its sign-in below HOME
    // where its status command (run with our HOME) looks for it.
    environment.insert(QStringLiteral("PATH"), located.searchPath);
    process->setProcessEnvironment(environment);
    process->setWorkingDirectory(Platform::AppPaths::temporaryFolder());
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setChildProcessModifier(Platform::ChildProcess::prepare);
    connect(process, &QProcess::readyRead, this,
            [this, provider, generation] { readLoginOutput(provider, generation); });
    process->start(*located.executable, loginArguments(provider));
    if (!process->waitForStarted(5000)) {
        fail(provider, process->errorString(), false);
        process->deleteLater();
        if (done)
            done();
        return;
    }

    auto run = std::make_unique<LoginRun>();
    run->generation = generation;
    run->process = process;
    run->done = std::move(done);
    loginProcesses_[provider] = std::move(run);
    schedulePoll(provider);
}

void ProviderSetup::readLoginOutput(ProviderID provider, std::uint64_t generation) {
    LoginRun* run = currentRun(provider, generation);
    if (!run)
        return;
    // Each arrival is looked at on its own; an address cut in two is not recognised.
    const std::optional<QUrl> url = signInAddress(run->process->readAll());
    if (url && phase(provider) == Phase::waitingForLogin())
        setPhase(provider, Phase::waitingForLogin(url));
}

void ProviderSetup::schedulePoll(ProviderID provider) {
    LoginRun& run = *loginProcesses_.at(provider);
    run.wait = clock_.singleShot(pollInterval, [this, provider, generation = run.generation] {
        poll(provider, generation);
    });
}

void ProviderSetup::poll(ProviderID provider, std::uint64_t generation) {
    LoginRun* run = currentRun(provider, generation);
    if (!run)
        return;
    if (phase(provider).kind != Phase::Kind::waitingForLogin) {
        // An install took over: the sign-in ends quietly, and so does its command.
        endRun(provider);
        return;
    }
    status_.checkNow(provider, settings_.settings(),
                     [self = QPointer<ProviderSetup>(this), provider,
                      generation](ProviderStatusStore::State state) {
                         if (self)
                             self->afterCheck(provider, generation, state.isReady());
                     });
}

void ProviderSetup::afterCheck(ProviderID provider, std::uint64_t generation, bool ready) {
    LoginRun* run = currentRun(provider, generation);
    if (!run)
        return;  // cancelled, or another sign-in took over: end quietly
    if (phase(provider).kind != Phase::Kind::waitingForLogin) {
        endRun(provider);
        return;
    }
    if (ready) {
        setPhase(provider, Phase::idle());
        chooseSignedInProvider(provider);
        endRun(provider);
        return;
    }
    if (run->process->state() == QProcess::NotRunning) {
        fail(provider, tr("Die Anmeldung wurde nicht abgeschlossen."), false);
        endRun(provider);
        return;
    }
    if (++run->checks >= maximumChecks) {
        fail(provider, tr("Die Anmeldung hat zu lange gedauert."), false);
        endRun(provider);
        return;
    }
    schedulePoll(provider);
}

void ProviderSetup::cancel(ProviderID provider) {
    ++generations_[provider];
    if (loginProcesses_.count(provider))
        endRun(provider);
    setPhase(provider, Phase::idle());
}

ProviderSetup::LoginRun* ProviderSetup::currentRun(ProviderID provider,
                                                   std::uint64_t generation) const {
    const auto entry = loginProcesses_.find(provider);
    if (entry == loginProcesses_.end() || entry->second->generation != generation)
        return nullptr;
    return entry->second.get();
}

void ProviderSetup::endRun(ProviderID provider) {
    const auto entry = loginProcesses_.find(provider);
    if (entry == loginProcesses_.end())
        return;
    std::unique_ptr<LoginRun> run = std::move(entry->second);
    loginProcesses_.erase(entry);
    run->process->disconnect(this);
    endProcess(run->process);
    run->finish();
}

void ProviderSetup::chooseSignedInProvider(ProviderID provider) {
    const ProviderID chosen = settings_.settings().provider;
    if (status_.state(chosen).isReady())
        return;
    settings_.update([provider](AssistantSettings& settings) { settings.provider = provider; });
}
