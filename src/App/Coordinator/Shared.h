// What several of the coordinator's flows share: the text helpers, the record of a reply
// under way and the record of a quick dictation being routed. Only the coordinator's own
// source files include this.
#pragma once

#include <QList>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QUuid>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "AI/ConversationTurn.h"
#include "App/AppCoordinator.h"
#include "App/CoreTask.h"
#include "Context/ContextSnapshot.h"
#include "Panel/AssistantSession.h"
#include "Platform/Clipboard.h"
#include "Settings/AssistantSettings.h"
#include "Voice/QuickDictationModel.h"

namespace CoordinatorShared {

using std::chrono::duration_cast;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

inline long long millisBetween(nanoseconds from, nanoseconds to) {
    return static_cast<long long>(duration_cast<milliseconds>(to - from).count());
}

inline QString trimmed(const QString& text) {
    return text.trimmed();
}

// The first `count` characters as the user sees them.
QString firstCharacters(const QString& text, qsizetype count);
qsizetype characterCount(const QString& text);

// Where the undo toast goes: the field, else a thin bar at the pointer; none otherwise.
std::optional<QRectF> insertionAnchor(const std::optional<ContextSnapshot>& context);

// Puts `text` on the clipboard as Tavrin's own, for the user to paste by hand; false when the
// clipboard does not hold it afterwards (the window system turned the write down).
bool putOnClipboard(Platform::Clipboard* clipboard, const QString& text);

std::optional<qsizetype> indexOfTurn(const QList<ConversationTurn>& turns, const QUuid& id);

// Gives the session another project. A failed run of the proposed action spoke of the former
// one ("Kein GitHub-Repo bekannt …" beside a repository the card now names): its message goes,
// and the next run uses the new project.
void changeProject(AssistantSession& session, std::optional<Project> project);

// Runs `then` once `task` has finished, at once when there is none.
void afterTask(const CoreTaskPtr& task, std::function<void()> then);

// How a quick dictation's display ends.
using Status = QuickDictationModel::Status;
inline constexpr milliseconds kFailureShown{2500};

inline bool isFailure(const Status& status) {
    return status.kind == Status::Kind::failed;
}

}  // namespace CoordinatorShared

// One request's reply as it arrives: what send handed over and what the stream has shown.
struct AppCoordinator::Generation {
    std::weak_ptr<CoreTask> task;
    QPointer<AssistantSession> session;
    QString input;
    AssistantSettings settings;
    QList<ConversationTurn> history;
    std::optional<QString> currentDraft;
    std::optional<ReplyKind> forced;
    ProviderID provider = ProviderID::claudeCLI;
    QUuid turnID;
    CoordinatorShared::nanoseconds start{0};
    bool hidden = false;

    QString pending;
    std::optional<ReplyKind> kind;
    bool firstText = true;
    CoordinatorShared::nanoseconds screenInstant{0};

    ReplyKind fallback() const { return forced.value_or(ReplyKind::draft); }
};

// One quick dictation after its key came up, with what it captured at the release.
struct AppCoordinator::Routing {
    std::weak_ptr<CoreTask> task;
    // Later changes of the settings do not reach a routing under way.
    AssistantSettings settings;
    std::optional<Platform::RunningApplication> target;
    // The AI's time for the whole routing is counted from here.
    Platform::Nanoseconds releasedAt{};
    // As recognised, trimmed.
    QString text;
    // The snapshot of the press, read when it is needed: it may arrive after the release.
    std::function<std::optional<ContextSnapshot>()> snapshot;
    // Replaces the press's snapshot with a later read, unless a newer press made it void.
    std::function<void(ContextSnapshot)> keepSnapshot;
    // The field read once more after the release; the routing waits for it. Held by the
    // routing's task.
    std::weak_ptr<CoreTask> reread;
    bool rereadStarted = false;
};
