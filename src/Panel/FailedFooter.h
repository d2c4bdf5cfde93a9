#pragma once

#include <QPointer>
#include <QWidget>

class AssistantSession;
class ElidedLabel;
class PanelActions;

// The status line under a failed request: the instruction that failed, quoted, and the
// provider chip, so that the user can move to the other provider from here.
class FailedFooter : public QWidget {
    Q_OBJECT

public:
    FailedFooter(AssistantSession& session, PanelActions& actions, QWidget* parent = nullptr);

private:
    void refresh();

    QPointer<AssistantSession> session_;
    QWidget* sparkle_ = nullptr;
    ElidedLabel* instruction_ = nullptr;
};
