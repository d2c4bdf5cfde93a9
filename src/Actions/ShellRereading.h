#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <optional>
#include <utility>

#include "Actions/ShellAssociativeArrays.h"
#include "Actions/ShellValueFlow.h"

// A second look at a shell command template, over the whole text at once: wherever bash
// evaluates text once more as code, arithmetic or a variable's name (arithmetic, tests with
// arithmetic operators or "-v", subscripts, "${…}" with more than a default value, integer
// and reference declarations, ">&" targets, its integer variables), a value could get there,
// directly or through a variable. Which variables may hold a value is the value flow's to
// say, nobody else's. It reads the template as masked by the template reader (plain text
// inside quotes and here-documents blanked), so that a bracket in "Eintrag [{{a}}]" is no
// subscript.
namespace ShellRereading {

// Start and length of one placeholder in the template.
using Span = std::pair<qsizetype, qsizetype>;

// Where a value may be evaluated once more: at the placeholder with index `span` in the
// list, or, without one, through a variable that a value may reach.
// `arithmetic`: computed as a number (arithmetic, subscripts, integers); `name`: read as a
// variable's name; otherwise a construct the reader does not follow. `construct`: the piece
// of the template, as the user writes it ("$((…))", "declare -i").
struct Rereading {
    enum class How { arithmetic, name, unmodelled };
    std::optional<qsizetype> span;
    How how = How::arithmetic;
    QString construct;

    bool operator==(const Rereading&) const = default;
};

// What the second look knows besides the text: where values may be, which of them are plain
// integers (arithmetic computes such a value as itself), the names of associative arrays
// (whose subscripts are words, not arithmetic), and whether zsh reads the text ("$name[…]" is
// an element there).
struct Names {
    const ShellValueFlow::Flow& flow;
    ShellValueFlow::Values integers;
    ShellAssociativeArrays associative;
    bool zsh = false;
    // The text as written, where the masked text has blanks (a format in quotes).
    QString written;

    // Whether variable `name` may hold a value that is no plain integer.
    bool mayHoldValues(const QString& name) const;
};

// Whether `masked`, with placeholders at `spans`, may evaluate a value once more. Only asked
// for templates with at least one placeholder.
std::optional<Rereading> mayReread(const QString& masked, const QList<Span>& spans,
                                   const Names& names);

}  // namespace ShellRereading
