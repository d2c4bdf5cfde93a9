#pragma once

#include "Panel/ProviderMenuChip.h"

class AssistantSession;
class PanelActions;

// The provider chip of the panel's rows: names the session's provider with its status and
// switches the application's current session to another provider without asking again.
class SessionProviderChip : public ProviderMenuChip {
    Q_OBJECT

public:
    SessionProviderChip(AssistantSession& session, PanelActions& actions,
                        QWidget* parent = nullptr);

private:
    void choose(ProviderID provider);

    PanelActions& actions_;
};
