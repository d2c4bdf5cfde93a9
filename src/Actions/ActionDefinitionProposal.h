#pragma once

#include <QUuid>

#include "Actions/AssistantAction.h"

// A new action the model proposes, shown for the user to save into the settings.
struct ActionDefinitionProposal {
    QUuid id = QUuid::createUuid();
    // Editable on the card; never built in.
    AssistantAction action;
    // The user has stored it among the custom actions.
    bool saved = false;

    bool operator==(const ActionDefinitionProposal&) const = default;
};
