#pragma once

#include <QString>

// The fixed system prompts of a quick dictation's AI steps: deciding between text and task,
// laying out long text, carrying out a spoken instruction on the dictation or on the
// selection. English, lines joined by a single line feed.
namespace DictationPrompts {

QString decision();
QString formatting();
QString instruction();
QString selection();
// The user part of a request on the selected text.
QString selectionRequest(const QString& instruction, const QString& selected);

}  // namespace DictationPrompts
