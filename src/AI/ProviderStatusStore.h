#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "AI/CLIEnvironment.h"
#include "Settings/AssistantSettings.h"
#include "Settings/ProviderID.h"

namespace Platform {
class Clock;
class Timer;
}  // namespace Platform

// Whether each AI tool is installed and signed in, found out by running the tool's own
// status command. One store lives as long as the program; main thread only.
class ProviderStatusStore final : public QObject {
    Q_OBJECT

public:
    struct State {
        enum class Kind { unknown, checking, ready, notFound, notLoggedIn };

        Kind kind = Kind::unknown;
        // The signed-in account, for ready only.
        std::optional<QString> detail;
        // Set when the path typed into the settings names no program: that path, and the
        // program the state speaks of instead (empty when the tool was found nowhere).
        QString unusedPath;
        QString program;

        static State unknown() { return {Kind::unknown, std::nullopt}; }
        static State checking() { return {Kind::checking, std::nullopt}; }
        static State ready(std::optional<QString> detail = std::nullopt) {
            return {Kind::ready, std::move(detail)};
        }
        static State notFound() { return {Kind::notFound, std::nullopt}; }
        static State notLoggedIn() { return {Kind::notLoggedIn, std::nullopt}; }

        bool isReady() const { return kind == Kind::ready; }
        // For the provider chip and the menu ("angemeldet") and for the settings
        // ("Angemeldet als …").
        QString shortText() const;
        QString longText() const;
        // What the user must know beside the state when the typed path is not used; empty
        // otherwise.
        QString pathNote() const { return unusedPathText(unusedPath, program); }

        bool operator==(const State&) const = default;
    };

    // A hanging status command is given up after this long; the shown state stays.
    static constexpr std::chrono::milliseconds checkTimeLimit{30000};
    // A look that hangs (a search folder on a stalled network share) is given up after this
    // long; the shown state stays.
    static constexpr std::chrono::milliseconds lookTimeLimit{5000};

    explicit ProviderStatusStore(Platform::Clock& clock, QObject* parent = nullptr);
    ~ProviderStatusStore() override;

    const std::map<ProviderID, State>& states() const { return states_; }
    // Unknown for a tool never checked.
    State state(ProviderID provider) const;
    // Whether a check of the tool is under way.
    bool isChecking(ProviderID provider) const { return running_.count(provider) > 0; }

    // Checks both tools in the background, each as refresh(provider, settings) does.
    void refresh(const AssistantSettings& settings);
    // Checks one tool in the background. A tool never checked shows checking meanwhile; a
    // known state stays until the new one arrives, unless it was found at another path than
    // the settings now give (a path typed into the settings): that shows checking. A check
    // already running at the same path takes the place of a new one; one at another path is
    // given up for the new one.
    void refresh(ProviderID provider, const AssistantSettings& settings);
    // Checks one tool as refresh does (or joins its running check), stores the result and
    // hands it to `done`. A check that runs out of time stores nothing and hands over unknown.
    void checkNow(ProviderID provider, const AssistantSettings& settings,
                  std::function<void(State)> done);

    // Looks in the background, by file look-ups alone, whether the tool is still where its
    // shown state found it (or still found nowhere), and checks it again, at the path that
    // state was found with, when it is not: a program removed or put in place is noticed
    // without running a status command every few seconds. Does nothing for a tool never
    // checked, nor while its check or an earlier look runs.
    void lookAgain(ProviderID provider);

    // The tool's program ("claude" or "codex"), and the path the settings give for it.
    static QString programName(ProviderID provider);
    static QString customPathFor(ProviderID provider, const AssistantSettings& settings);
    // "„<typed>“ ist kein Programm", followed by the program used instead when there is one;
    // empty for an empty `typedPath`.
    static QString unusedPathText(const QString& typedPath, const QString& program);

    // The check itself: blocking, for a background thread. Stops early, with no result,
    // when `abandoned` becomes true.
    static std::optional<State> check(ProviderID provider, const QString& customPath,
                                      const std::atomic<bool>& abandoned);
    // Reading the status commands' answers (standard output and error together, trimmed;
    // none when the command could not be run).
    static State readClaudeStatus(const std::optional<QString>& output);
    static State readCodexStatus(const std::optional<QString>& output);

signals:
    void statesChanged();

private:
    struct Check;
    struct Look;
    // A check's answer and where it found the program.
    struct Outcome {
        State state;
        CLIEnvironment::Location location;
    };

    static std::optional<Outcome> checkAt(ProviderID provider, const QString& customPath,
                                          const std::atomic<bool>& abandoned);

    // Makes sure a check at `customPath` runs.
    void ensureCheck(ProviderID provider, const QString& customPath);
    void start(ProviderID provider, const QString& customPath);
    void finish(ProviderID provider, std::uint64_t id, std::optional<Outcome> result);
    void finishLook(ProviderID provider, std::uint64_t id, const QString& customPath,
                    const CLIEnvironment::Location& found);
    void store(ProviderID provider, const State& state);

    Platform::Clock& clock_;
    std::map<ProviderID, State> states_;
    // The path in the settings each stored state was found with.
    std::map<ProviderID, QString> statePaths_;
    // Where each stored state found the program.
    std::map<ProviderID, CLIEnvironment::Location> stateLocations_;
    std::map<ProviderID, std::unique_ptr<Look>> looks_;
    std::map<ProviderID, std::unique_ptr<Check>> running_;
    std::uint64_t nextCheckId_ = 0;
    // Checks of their own, so that hanging status commands never hold up other background
    // work; destroyed first, it waits for the checks, which stop once abandoned.
    QThreadPool pool_;
};
