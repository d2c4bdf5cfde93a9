#pragma once

#include <QHash>
#include <QString>

// The arrays a template makes associative where that provably holds: bash decides at run
// time, and a "declare -A" inside a function is local to it, one in a subshell, a pipeline,
// a branch or a loop may never take effect in the shell that looks up, one after "unset" or
// over an indexed array ("m=(); declare -A m") leaves the name indexed. An indexed subscript
// is arithmetic, so a key is trusted only after a declaration every run has made: a simple
// command of the top level of the script, joined to what came before by ";" or a newline and
// followed by no pipe or "&", whose name the script gives nothing before it, never unsets and
// never declares otherwise.
class ShellAssociativeArrays {
public:
    ShellAssociativeArrays() = default;
    static ShellAssociativeArrays declaredIn(const QString& text);

    // Whether `name` is an associative array at `position` of the text (a lookup or an
    // assignment standing there).
    bool holdsAt(const QString& name, qsizetype position) const;

    bool operator==(const ShellAssociativeArrays&) const = default;

private:
    // Each trusted name, with the position where its declaration has ended.
    QHash<QString, qsizetype> from_;
};
