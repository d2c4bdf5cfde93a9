// Proposed actions run and proposed action definitions saved.

#include "ActionRunner/ActionRunner.h"
#include "Actions/AssistantAction.h"
#include "Actions/TemplateRefusal.h"
#include "App/AppCoordinator.h"
#include "App/StructuredReply.h"
#include "Platform/UrlOpener.h"
#include "Settings/SettingsStore.h"

namespace {

// Links go nowhere where the application has no opener.
class NoUrlOpener final : public Platform::UrlOpener {
public:
    bool open(const QUrl&) override { return false; }
};

}  // namespace

void AppCoordinator::runAction() {
    AssistantSession* s = session_.get();
    if (!s || !s->actionProposal())
        return;
    ActionProposal running = *s->actionProposal();
    // A second press while it runs is no second run.
    if (std::holds_alternative<ActionProposal::Running>(running.status))
        return;
    running.status = ActionProposal::Running{};
    s->setActionProposal(running);

    static NoUrlOpener noOpener;
    Platform::UrlOpener& opener = s_.urlOpener ? *s_.urlOpener : noOpener;
    auto task = std::make_shared<CoreTask>();
    actionRuns_.push_back(task);
    std::weak_ptr<CoreTask> weak = task;
    QPointer<AssistantSession> session(s);
    const QUuid id = running.id;
    task->hold(ActionRunner::run(
        running.action, running.params, s->project(), opener,
        [this, weak, session, id](AIResult<ActionRunner::Result> result) {
            // After the wait for the run: it ends in the session that started it, even after
            // the panel closed, and only on the proposal that ran; a newer proposal keeps its
            // own state.
            if (!isAlive(weak))
                return;
            forget(actionRuns_, weak);
            if (!session || !session->actionProposal() || session->actionProposal()->id != id)
                return;
            ActionProposal ended = *session->actionProposal();
            if (result)
                ended.status = ActionProposal::Done{result.value().message, result.value().url};
            else
                ended.status = ActionProposal::Failed{result.failure().errorDescription()};
            session->setActionProposal(ended);
        }));
}

void AppCoordinator::saveDefinition() {
    AssistantSession* s = session_.get();
    if (!s || !s->definitionProposal() || s->definitionProposal()->saved)
        return;
    // An action every run would refuse is no action: it stays on its card, which says why,
    // until its template is one that runs.
    if (templateRefusal(s->definitionProposal()->action))
        return;
    ActionDefinitionProposal proposal = *s->definitionProposal();
    // Appended to the actions as they are now, not to a copy taken earlier. An action the
    // user made meanwhile may have taken the id: the new one gets a free one rather than
    // shadowing it.
    s_.settings.update([&](AssistantSettings& settings) {
        const QList<AssistantAction> catalogue =
            AssistantAction::builtIns() + settings.customActions;
        const bool taken =
            std::any_of(catalogue.cbegin(), catalogue.cend(),
                        [&](const AssistantAction& a) { return a.id == proposal.action.id; });
        if (taken)
            proposal.action.id =
                StructuredReply::newActionId(proposal.action.name, [&] { return catalogue; });
        settings.customActions.append(proposal.action);
    });
    proposal.saved = true;
    s->setDefinitionProposal(proposal);
}
