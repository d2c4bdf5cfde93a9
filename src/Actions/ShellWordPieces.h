#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "Actions/ShellValueFlow.h"

// A word of a command as bash builds it: template text, values and expansions, each
// expansion with the values it may carry as given (a variable a value was copied into) or
// changed (text made from them). Spelled out with the values a run has, a word becomes the
// words a program may get: an expansion may come to nothing, to text of the template nobody
// can see, to one of the values it carries, or to text made from them, and outside quotes it
// splits at blanks. Every check of a word reads these spellings, so a value counts wherever
// bash carries it and, where the reader cannot follow it, at its worst.
namespace ShellWordPieces {

using Values = ShellValueFlow::Values;

// How an expansion's text is cut into words.
enum class Splitting {
    none,      // inside "…": one piece of its word
    blanks,    // unquoted: at blanks (spaces, tabs, line breaks)
    anywhere,  // unquoted where the template sets IFS: before any "-" or "+" too
    quoting,   // xargs: at blanks, and where a quote it removes may part a word
    elements,  // "$@", "${a[@]}": each element a word of its own
};

struct Piece {
    enum class Kind { text, value, expansion, braces };
    Kind kind = Kind::text;
    QString text;         // text: the characters bash keeps
    qsizetype value = 0;  // value: its number, from 1
    // expansion: the values it may hold as given and changed, whether it may come to nothing
    // and whether it may be text of the template's own.
    Values given;
    Values changed;
    // expansion: the values of which it may hold any one line rather than the whole text, and
    // those of which it may hold a word bash split off or a name a pattern matched.
    Values lines;
    Values fields;
    // expansion: "${v%suffix}", "${v%%suffix}": what it gives of each value as given is the
    // value without the shortest (or `longest`) end that matches this pattern.
    QString suffix;
    bool longest = false;
    bool mayBeEmpty = true;
    bool templateText = true;
    Splitting splitting = Splitting::none;
    // braces: each word brace expansion makes here, as pieces.
    QList<QList<Piece>> alternatives;

    bool operator==(const Piece&) const = default;
};

// What the reading of a word knows besides the flow.
struct Context {
    // What each command substitution of the word may print, in order, where the word holds
    // only its "$(" (the template reader reads the commands inside on their own); none where
    // the word holds their whole text.
    std::optional<QList<Values>> substitutions;
    // What the command's input may carry, for a substitution that reads it.
    Values input;
    // The template sets IFS: unquoted expansions may split anywhere.
    bool separators = false;
    // xargs -I: the text xargs replaces by each line of its input, and what that may carry.
    QString replace;
    Values replaceGiven;
    Values replaceChanged;
};

// Text a command brings in from outside the template's words (its input, a file it reads):
// it carries `given` and `changed`, is never empty nor the template's own, and is cut as
// `splitting` says.
Piece fromOutside(const Values& given, const Values& changed, Splitting splitting);

// The pieces of `word` as written: quotes, each value as its reference ("${tavrin_value_N}"),
// expansions.
QList<Piece> read(const QString& word, const ShellValueFlow::Flow& flow,
                  const Context& context = {});

// Whether any piece may bring a value into the word.
bool carriesValues(const QList<Piece>& pieces);
// The values the pieces may bring in as given (the value itself, a variable it was copied into)
// and changed; a line of a value, or what is left of it without an end, counts as changed.
void carried(const QList<Piece>& pieces, Values& given, Values& changed);
// The same, with the values of which a line may stand apart in `lines`.
void carried(const QList<Piece>& pieces, Values& given, Values& changed, Values& lines,
             Values& fields);

// One stretch of a spelled word: text of the template (value 0), a value's text, or text
// nobody can read before bash runs (`opaque`): the template's own, or made from `derived`.
struct Segment {
    QString text;
    qsizetype value = 0;
    bool opaque = false;
    Values derived;

    bool operator==(const Segment&) const = default;
};
using Word = QList<Segment>;

// The words bash may make of `pieces`, one list per way; `texts` holds each value's text by
// number. Values split off into words of their own, and the later words of a brace expansion,
// come after the first word of their list. A value's text split outside quotes is a pattern
// as well, which may match any name in the folder: where it holds "*", "?" or "[", it may be
// any text. Bounded: past a thousand ways, the word is text made from every value it may
// carry, as the first word and as one after it.
QList<QList<Word>> spellings(const QList<Piece>& pieces, const QStringList& texts);

}  // namespace ShellWordPieces
