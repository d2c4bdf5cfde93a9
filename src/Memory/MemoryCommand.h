#pragma once

#include <QString>
#include <optional>

// Recognises "remember this" instructions, typed or dictated, without asking the model.
namespace MemoryCommand {

// None: `instruction` is no remember command. Empty: a remember command without a note of its
// own ("merk dir das bitte"). Otherwise the note to keep, its first character upper-cased.
std::optional<QString> note(const QString& instruction);

}  // namespace MemoryCommand
