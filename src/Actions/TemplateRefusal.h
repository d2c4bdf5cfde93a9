#pragma once

#include <QString>
#include <optional>

#include "Actions/AssistantAction.h"

// For an action that no run may take as it is, what the user reads about it before any run, in
// the present ("Tavrin würde diesen Befehl nicht ausführen: …"): a shell template the runner
// refuses whatever values come, a link template that is not one address, a text longer than
// the instructions to the AI can carry for every action. None for an action that may run.
// The card of a new action, its save and the stored actions in the settings all ask this.
std::optional<QString> templateRefusal(const AssistantAction& action);

// Why a link template is not one address: a line break, a tab or another control character,
// or a character that reorders the text around it. None when it is one.
std::optional<QString> linkTemplateRefusal(const QString& templateText);

// The longest name, occasion, instructions and template, in characters. Each stored action
// goes into the instructions of every request; these keep dozens of them well within what
// those can carry.
namespace ActionLimits {
constexpr qsizetype name = 100;
constexpr qsizetype trigger = 1000;
constexpr qsizetype instructions = 2000;
constexpr qsizetype templateText = 2000;
}  // namespace ActionLimits
