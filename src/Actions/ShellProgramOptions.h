#pragma once

#include <QHash>
#include <QList>
#include <QString>

// The option tables the template reader walks commands by, listed so that they can be held
// against what each installed program says of itself.
namespace ShellProgramOptions {

struct Table {
    // The program as a command names it; "git log" for a subcommand, "git" for the options
    // before it.
    QString program;
    // A program that runs another one with the rest of its words (env, sudo, timeout …).
    bool wrapper = false;
    // Options like find's "-name": whole words, never bundles of letters.
    bool singleDashLong = false;
    // Each option that takes words of its own, and how many.
    QHash<QString, int> arguments;
};

QList<Table> tables();

// How many words `option` takes where `program` (a program or a wrapper) reads it; 0 for a
// program without a table.
int wordsTaken(const QString& program, const QString& option);

}  // namespace ShellProgramOptions
