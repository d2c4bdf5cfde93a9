#pragma once

#include <QString>
#include <optional>

// Recognises "remember this" instructions, typed or dictated, without asking the model.
namespace MemoryCommand {

// None: `instruction` is no remember command, or one that asks to learn an action ("merk
// dir das als Aktion", also with the action's name after a colon), which is the model's to
// answer. Empty: a remember command without a note of its own ("merk dir das bitte").
// Otherwise the note to keep, its first character upper-cased.
std::optional<QString> note(const QString& instruction);

}  // namespace MemoryCommand
