#pragma once

#include <QPointer>
#include <QWidget>

#include "Panel/ProblemNotice.h"

class AssistantSession;
class NoticeBlock;
class PanelActions;

// The notice shown in place of the panel's content when a request failed: what happened and
// the ways out. It follows the session's phase and provider and the providers' status, so a
// way out that needs the other provider appears as soon as that one is ready.
class ProblemBlock : public QWidget {
    Q_OBJECT

public:
    ProblemBlock(AssistantSession& session, PanelActions& actions, QWidget* parent = nullptr);

    // What is shown; none while the session has not failed.
    const std::optional<ProblemNotice>& shownNotice() const { return shown_; }

private:
    void refresh();
    void take(ProblemNotice::Way way, ProviderID provider);

    QPointer<AssistantSession> session_;
    PanelActions& actions_;
    std::optional<ProblemNotice> shown_;
    NoticeBlock* notice_ = nullptr;
};
