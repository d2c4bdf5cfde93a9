#pragma once

#include <QString>

#include "Actions/ShellCommand.h"

namespace ShellCommand {

// What the user reads when a shell template is not run with its values: which placeholder,
// which piece of the template, and what to change. The action card shows it after a refused
// run, the card of a new action before it is saved.
QString refusalMessage(const Refusal& refusal);

}  // namespace ShellCommand
