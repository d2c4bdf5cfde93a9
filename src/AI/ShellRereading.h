#pragma once

#include <QList>
#include <QString>
#include <utility>

// A second look at a shell command template that ignores quoting altogether: wherever a
// shell might evaluate text once more as code, arithmetic or a variable's name (arithmetic,
// "[[ … ]]", subscripts, "${…}" with more than a default value, integer, array or reference
// declarations, zsh patterns and glob qualifiers, bash's ">&" targets and arithmetic
// variables), a value could get there, directly or through a variable. The template reader
// decides the quoting; this check only refuses, so a gap in the reader cannot turn a value
// into code.
namespace ShellRereading {

// Start and length of one placeholder in the template.
using Span = std::pair<qsizetype, qsizetype>;

// Whether `text`, with placeholders at `spans`, may evaluate a value once more. Only asked
// for templates with at least one placeholder.
bool mayReread(const QString& text, const QList<Span>& spans);

}  // namespace ShellRereading
