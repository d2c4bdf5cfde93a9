#pragma once

#include <QString>
#include <optional>

#include "Actions/AssistantAction.h"

// For a shell action whose template the runner refuses whatever values come: what the user
// reads about it before any run, in the present ("Tavrin würde diesen Befehl nicht
// ausführen: …"). None for a template that runs with ordinary values, and for the other kinds.
// The card of a new action, its save and the stored actions in the settings all ask this.
std::optional<QString> templateRefusal(const AssistantAction& action);
