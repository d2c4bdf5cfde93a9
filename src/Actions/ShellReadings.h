#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "Actions/ShellCommand.h"
#include "Actions/ShellTemplateReader.h"

// How a program reads a value beyond plain text: what prepare() holds each value against
// where the template reader says it stands.
namespace ShellCommand {

// How a program would read a value as more than text: the reason, and the edge of the value
// that makes it so.
struct Reading {
    Refusal::Reason reason = Refusal::Reason::option;
    Refusal::Edge edge = Refusal::Edge::none;
    QString text;
    bool split = false;       // a word of the value after its first
    bool unfamiliar = false;  // read by a program the reader does not know
};

// Whether a program that reads `value` where `place` says would take it as more than text:
// how, or none. `pieces`: the value may have been split at blanks on its way (through a
// variable, a command substitution or xargs), so each of its words counts, the first where
// the word stands and the others where `next` says. `joined`: other values may stand right
// before or after it in the word, so it counts only as a part of some text.
std::optional<Reading> readAsMore(const QString& value, const ShellTemplateReader::WordPlace& place,
                                  bool pieces, bool alone, bool separators = false,
                                  bool joined = false,
                                  const ShellTemplateReader::WordPlace* next = nullptr);

// A word made of the template's text and values, as the program gets it, and the values that
// begin and end it (0 where the template's text does).
struct Whole {
    QString text;
    qsizetype firstValue = 0;
    qsizetype lastValue = 0;
    // The first value with text anywhere in the word.
    qsizetype anyValue = 0;
};

Whole wholeWord(const QList<ShellTemplateReader::Piece>& pieces,
                const QList<const Placeholder*>& numbered);

// Whether bash opens `path` itself as a network connection where it is a redirection's target;
// with `partOfWord`, whether the text around it may make it one ("tcp/HOST/PORT" after "/dev/").
bool opensConnection(const QString& path, bool partOfWord = false);

// What a program makes of a whole word beyond the edge a value begins: its end where a value
// ends it, an address a value is part of, a connection bash opens.
std::optional<Reading> wholeReading(const Whole& whole,
                                    const ShellTemplateReader::WordPlace& place);

// Whether "./" before the value would make the program read it as a plain file name.
bool mayBeRelativePath(const Reading& reading, const ShellTemplateReader::WordPlace& place,
                       const QString& value);

}  // namespace ShellCommand
