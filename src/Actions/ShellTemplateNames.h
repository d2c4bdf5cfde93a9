#pragma once

#include <QSet>
#include <QString>

// What a template sets up anywhere in its text, read without regard to quotes so that each
// scan errs towards more: the names it makes aliases, arrays and associative arrays, the
// names it assigns, and the shell options it turns on.
namespace ShellTemplateNames {

QSet<QString> aliasNames(const QString& text);
// A shell option the template reader does not follow, as written; "" when there is none.
QString unknownShellOption(const QString& text);
// How a zsh script changes its options ("setopt globsubst", "emulate sh", "set -o …", an
// element of "options"), which may make it read a word as zsh reads patterns or splits
// words: the first, as written; "" when there is none.
QString zshOption(const QString& text);
QSet<QString> arrayNames(const QString& text);
QSet<QString> assignedNames(const QString& text);
// The functions the template defines ("name() …", "function name …").
QSet<QString> functionNames(const QString& text);

}  // namespace ShellTemplateNames
