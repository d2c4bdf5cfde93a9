#pragma once

#include <QString>
#include <optional>

#include "Actions/ShellCommand.h"
#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWordPieces.h"

// How a program reads a word beyond plain text: what prepare() holds each spelling of a word
// that may carry a value against, for each program that may read it.
namespace ShellCommand {

// How a program would read a word as more than text: the reason, the edge concerned, and the
// value that makes it so.
struct Reading {
    Refusal::Reason reason = Refusal::Reason::option;
    Refusal::Edge edge = Refusal::Edge::none;
    QString text;
    qsizetype value = 0;
    bool unfamiliar = false;  // read by a program the reader does not know
    // The value is empty, so the template's text after it makes the edge.
    bool empty = false;
    // Text made from the value makes it, whatever the value itself holds.
    bool derived = false;
};

// How the program `place` describes reads `word`, as far as values make it: an edge it reads
// as syntax of its own (a leading "-", "+command", "command|", a refspec), an address it
// fetches through a shell, a connection bash opens, a setting. Text nobody can read before
// bash runs counts at its worst: beside a value it may complete any edge, and made from
// values it may be anything.
std::optional<Reading> judge(const ShellWordPieces::Word& word,
                             const ShellTemplateReader::WordPlace& place);

// Whether "./" before the value would make the program read it as a plain file name.
bool mayBeRelativePath(const Reading& reading, const ShellTemplateReader::WordPlace& place,
                       const QString& value);

}  // namespace ShellCommand
