#pragma once

#include <QString>

// Word-list tests that decide, without asking the AI, what a dictated text is. Pure.
namespace DictationCommands {

// A question to the assistant: ends in "?", starts with the assistant's name, or its first
// word is a question word.
bool looksLikeQuestion(const QString& text);
// May ask the assistant to write something.
bool mightBeRequest(const QString& text);
// Holds an editing or translation instruction.
bool containsInstruction(const QString& text);
// Long enough (35 words or more) for the AI to lay it out.
bool worthFormatting(const QString& text);

}  // namespace DictationCommands
