#include "App/Coordinator/Shared.h"

#include <QTextBoundaryFinder>

namespace CoordinatorShared {

QString firstCharacters(const QString& text, qsizetype count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype seen = 0;
    while (seen < count) {
        if (finder.toNextBoundary() < 0)
            return text;
        ++seen;
    }
    return text.left(finder.position());
}

qsizetype characterCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() >= 0)
        ++count;
    return count;
}

std::optional<QRectF> insertionAnchor(const std::optional<ContextSnapshot>& context) {
    if (context && context->fieldFrame)
        return context->fieldFrame;
    if (context && context->pointer)
        return QRectF(context->pointer->x() - 1, context->pointer->y() - 12, 2, 24);
    return std::nullopt;
}

bool putOnClipboard(Platform::Clipboard* clipboard, const QString& text) {
    if (!clipboard)
        return false;
    Platform::ClipboardItem item;
    item.representations = {{QStringLiteral("text/plain"), text.toUtf8()}};
    clipboard->write({item});
    // The same check the inserter makes after its own write: one question to the window
    // system, answered at once.
    return clipboard->holdsOwnWrite();
}

std::optional<qsizetype> indexOfTurn(const QList<ConversationTurn>& turns, const QUuid& id) {
    for (qsizetype i = 0; i < turns.size(); ++i) {
        if (turns[i].id == id)
            return i;
    }
    return std::nullopt;
}

void changeProject(AssistantSession& session, std::optional<Project> project) {
    if (session.project() == project)
        return;
    session.setProject(std::move(project));
    std::optional<ActionProposal> proposal = session.actionProposal();
    if (proposal && std::holds_alternative<ActionProposal::Failed>(proposal->status)) {
        proposal->status = ActionProposal::Pending{};
        session.setActionProposal(std::move(proposal));
    }
}

void afterTask(const CoreTaskPtr& task, std::function<void()> then) {
    if (task)
        task->whenFinished(std::move(then));
    else
        then();
}

}  // namespace CoordinatorShared

// The checks every flow's continuations make before they write, and how a flow lets its
// finished work go.

bool AppCoordinator::isCurrent(const std::weak_ptr<CoreTask>& task,
                               const QPointer<AssistantSession>& session) const {
    const CoreTaskPtr locked = task.lock();
    return locked && !locked->isCancelled() && session && session == session_.get();
}

bool AppCoordinator::isCurrent(const Generation& g) const {
    return isCurrent(g.task, g.session);
}

bool AppCoordinator::isAlive(const std::weak_ptr<CoreTask>& task) {
    const CoreTaskPtr locked = task.lock();
    return locked && !locked->isCancelled();
}

void AppCoordinator::forget(std::vector<CoreTaskPtr>& tasks, const std::weak_ptr<CoreTask>& task) {
    const CoreTaskPtr locked = task.lock();
    if (!locked)
        return;
    std::erase(tasks, locked);
    // The handles it holds may be the very caller of this continuation: let them go once the
    // call stack has unwound.
    QMetaObject::invokeMethod(
        this, [locked] { locked->finish(); }, Qt::QueuedConnection);
}
