#include "AI/ProviderStatusStore.h"

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "AI/BackgroundTask.h"
#include "AI/CLIEnvironment.h"
#include "Platform/AppPaths.h"
#include "Platform/ChildProcess.h"
#include "Platform/Clock.h"
#include "Platform/Utf8.h"

namespace {

// First letter of each word upper case, the rest lower case; words end at white space.
QString capitalized(const QString& text) {
    QString result = text.toLower();
    bool wordStart = true;
    for (qsizetype i = 0; i < result.size(); ++i) {
        if (result.at(i).isSpace()) {
            wordStart = true;
        } else if (wordStart) {
            result[i] = result.at(i).toUpper();
            wordStart = false;
        }
    }
    return result;
}

// Runs a status command: output and error together, no input, in the temporary folder,
// in a process group of its own so that giving up also ends what it started.
std::optional<QString> runStatusCommand(const QString& executable, const QStringList& arguments,
                                        const std::atomic<bool>& abandoned) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), CLIEnvironment::shellPATH());
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(Platform::AppPaths::temporaryFolder());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setChildProcessModifier(Platform::ChildProcess::prepare);
    process.start(executable, arguments);
    if (!process.waitForStarted(-1))
        return std::nullopt;
    // The store gives up after its time limit; this is the backstop for when nobody is left
    // to tell us (the program is quitting).
    const QDeadlineTimer backstop(ProviderStatusStore::checkTimeLimit.count() + 5000);
    while (process.state() != QProcess::NotRunning) {
        if (abandoned.load() || backstop.hasExpired()) {
            ::kill(-static_cast<pid_t>(process.processId()), SIGKILL);
            process.waitForFinished(2000);
            return std::nullopt;
        }
        process.waitForFinished(50);
    }
    const std::optional<QString> text = Utf8::decodeStrictly(process.readAll());
    if (!text)
        return std::nullopt;
    return text->trimmed();
}

}  // namespace

struct ProviderStatusStore::Check {
    std::uint64_t id = 0;
    QString customPath;
    std::shared_ptr<std::atomic<bool>> abandoned = std::make_shared<std::atomic<bool>>(false);
    std::unique_ptr<Platform::Timer> deadline;
    std::vector<std::function<void(State)>> waiters;
};

struct ProviderStatusStore::Look {
    std::uint64_t id = 0;
    // Past its time limit: its answer is dropped. It stays until its thread is done, so that
    // a hanging look never has others pile up behind it.
    bool late = false;
    std::unique_ptr<Platform::Timer> deadline;
};

QString ProviderStatusStore::State::shortText() const {
    switch (kind) {
        case Kind::ready:
            return tr("angemeldet");
        case Kind::unknown:
        case Kind::checking:
            return tr("prüfe …");
        case Kind::notFound:
            return tr("nicht gefunden");
        case Kind::notLoggedIn:
            return tr("nicht angemeldet");
    }
    return {};
}

QString ProviderStatusStore::State::longText() const {
    switch (kind) {
        case Kind::ready:
            return detail ? tr("Angemeldet als %1").arg(*detail) : tr("Angemeldet");
        case Kind::unknown:
        case Kind::checking:
            return tr("Prüfe …");
        case Kind::notFound:
            return tr("Nicht gefunden");
        case Kind::notLoggedIn:
            return tr("Nicht angemeldet");
    }
    return {};
}

QString ProviderStatusStore::unusedPathText(const QString& typedPath, const QString& program) {
    if (typedPath.isEmpty())
        return {};
    if (program.isEmpty())
        return tr("„%1“ ist kein Programm.").arg(typedPath);
    return tr("„%1“ ist kein Programm; verwendet wird %2.").arg(typedPath, program);
}

ProviderStatusStore::ProviderStatusStore(Platform::Clock& clock, QObject* parent)
    : QObject(parent), clock_(clock) {
    pool_.setMaxThreadCount(4);
}

ProviderStatusStore::~ProviderStatusStore() {
    for (auto& [provider, check] : running_)
        check->abandoned->store(true);
}

ProviderStatusStore::State ProviderStatusStore::state(ProviderID provider) const {
    const auto entry = states_.find(provider);
    return entry == states_.end() ? State::unknown() : entry->second;
}

QString ProviderStatusStore::programName(ProviderID provider) {
    return provider == ProviderID::claudeCLI ? QStringLiteral("claude") : QStringLiteral("codex");
}

QString ProviderStatusStore::customPathFor(ProviderID provider, const AssistantSettings& settings) {
    return provider == ProviderID::claudeCLI ? settings.claudePath : settings.codexPath;
}

void ProviderStatusStore::refresh(const AssistantSettings& settings) {
    for (ProviderID provider : allProviderIDs())
        refresh(provider, settings);
}

void ProviderStatusStore::refresh(ProviderID provider, const AssistantSettings& settings) {
    if (state(provider).kind == State::Kind::unknown)
        store(provider, State::checking());
    ensureCheck(provider, customPathFor(provider, settings));
}

void ProviderStatusStore::checkNow(ProviderID provider, const AssistantSettings& settings,
                                   std::function<void(State)> done) {
    ensureCheck(provider, customPathFor(provider, settings));
    running_.at(provider)->waiters.push_back(std::move(done));
}

void ProviderStatusStore::ensureCheck(ProviderID provider, const QString& path) {
    const auto running = running_.find(provider);
    if (running != running_.end() && running->second->customPath == path)
        return;
    // What was found at another path says nothing about this one: "Angemeldet" must not
    // stand beside a path that names nothing, nor "Nicht gefunden" beside one that works.
    const auto shown = statePaths_.find(provider);
    if (shown != statePaths_.end() && shown->second != path)
        store(provider, State::checking());
    start(provider, path);
}

void ProviderStatusStore::start(ProviderID provider, const QString& path) {
    auto entry = std::make_unique<Check>();
    entry->id = ++nextCheckId_;
    entry->customPath = path;
    // A check at another path is given up; whoever waits for it gets the new one's answer.
    if (const auto previous = running_.find(provider); previous != running_.end()) {
        previous->second->abandoned->store(true);
        entry->waiters = std::move(previous->second->waiters);
    }
    const std::uint64_t id = entry->id;
    entry->deadline = clock_.singleShot(
        checkTimeLimit, [this, provider, id] { finish(provider, id, std::nullopt); });
    runInBackground(
        this,
        [provider, path, abandoned = entry->abandoned] {
            return checkAt(provider, path, *abandoned);
        },
        [this, provider, id](std::optional<Outcome> result) {
            finish(provider, id, std::move(result));
        },
        &pool_);
    running_[provider] = std::move(entry);
}

void ProviderStatusStore::lookAgain(ProviderID provider) {
    const auto path = statePaths_.find(provider);
    if (path == statePaths_.end() || isChecking(provider) || looks_.count(provider))
        return;
    auto look = std::make_unique<Look>();
    look->id = ++nextCheckId_;
    const std::uint64_t id = look->id;
    look->deadline = clock_.singleShot(lookTimeLimit, [this, provider, id] {
        const auto entry = looks_.find(provider);
        if (entry != looks_.end() && entry->second->id == id)
            entry->second->late = true;
    });
    looks_[provider] = std::move(look);
    const QString customPath = path->second;
    runInBackground(
        this,
        [name = programName(provider), customPath] {
            return CLIEnvironment::find(name, customPath);
        },
        [this, provider, id, customPath](const CLIEnvironment::Location& found) {
            finishLook(provider, id, customPath, found);
        },
        &pool_);
}

void ProviderStatusStore::finishLook(ProviderID provider, std::uint64_t id,
                                     const QString& customPath,
                                     const CLIEnvironment::Location& found) {
    const auto entry = looks_.find(provider);
    if (entry == looks_.end() || entry->second->id != id)
        return;
    const bool late = entry->second->late;
    looks_.erase(entry);
    // A check that began meanwhile, or a state found since at another path, knows better.
    if (late || isChecking(provider) || statePaths_[provider] != customPath)
        return;
    if (stateLocations_[provider] != found)
        ensureCheck(provider, customPath);
}

void ProviderStatusStore::finish(ProviderID provider, std::uint64_t id,
                                 std::optional<Outcome> result) {
    const auto entry = running_.find(provider);
    if (entry == running_.end() || entry->second->id != id)
        return;  // a check that was given up; its late answer is dropped
    std::unique_ptr<Check> check = std::move(entry->second);
    running_.erase(entry);
    check->abandoned->store(true);
    if (result) {
        statePaths_[provider] = check->customPath;
        stateLocations_[provider] = result->location;
        store(provider, result->state);
    }
    // A check given up knows nothing; the stale shown state must not pass for an answer
    // (a sign-in would take an old "ready" for success).
    const State answer = result ? result->state : State::unknown();
    for (auto& waiter : check->waiters) {
        if (waiter)
            waiter(answer);
    }
}

void ProviderStatusStore::store(ProviderID provider, const State& state) {
    const auto entry = states_.find(provider);
    if (entry != states_.end() && entry->second == state)
        return;
    states_[provider] = state;
    emit statesChanged();
}

std::optional<ProviderStatusStore::State> ProviderStatusStore::check(
    ProviderID provider, const QString& customPath, const std::atomic<bool>& abandoned) {
    std::optional<Outcome> outcome = checkAt(provider, customPath, abandoned);
    if (!outcome)
        return std::nullopt;
    return std::move(outcome->state);
}

std::optional<ProviderStatusStore::Outcome> ProviderStatusStore::checkAt(
    ProviderID provider, const QString& customPath, const std::atomic<bool>& abandoned) {
    const bool claude = provider == ProviderID::claudeCLI;
    const CLIEnvironment::Location location =
        CLIEnvironment::find(programName(provider), customPath);
    State state = State::notFound();
    if (location.executable) {
        const QStringList arguments =
            claude ? QStringList{QStringLiteral("auth"), QStringLiteral("status")}
                   : QStringList{QStringLiteral("login"), QStringLiteral("status")};
        const std::optional<QString> output =
            runStatusCommand(*location.executable, arguments, abandoned);
        if (abandoned.load())
            return std::nullopt;
        state = claude ? readClaudeStatus(output) : readCodexStatus(output);
    }
    if (location.customPathPassedOver) {
        state.unusedPath = customPath.trimmed();
        state.program = location.executable.value_or(QString());
    }
    return Outcome{std::move(state), location};
}

ProviderStatusStore::State ProviderStatusStore::readCodexStatus(
    const std::optional<QString>& output) {
    const QString text = output.value_or(QString()).toLower();
    if (text.isEmpty() || text.contains(QLatin1String("not logged in")))
        return State::notLoggedIn();
    if (text.contains(QLatin1String("chatgpt")))
        return State::ready(tr("ChatGPT-Konto"));
    return State::ready();
}

ProviderStatusStore::State ProviderStatusStore::readClaudeStatus(
    const std::optional<QString>& output) {
    if (!output)
        return State::notLoggedIn();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(output->toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return State::notLoggedIn();
    const QJsonObject object = document.object();
    const QJsonValue loggedIn = object.value(QStringLiteral("loggedIn"));
    if (!loggedIn.isBool() || !loggedIn.toBool())
        return State::notLoggedIn();
    QStringList parts;
    if (const QJsonValue email = object.value(QStringLiteral("email")); email.isString())
        parts.append(email.toString());
    if (const QJsonValue plan = object.value(QStringLiteral("subscriptionType")); plan.isString())
        parts.append(capitalized(plan.toString()));
    const QString detail = parts.join(QStringLiteral(" \u00B7 "));
    if (detail.isEmpty())
        return State::ready();
    return State::ready(detail);
}
