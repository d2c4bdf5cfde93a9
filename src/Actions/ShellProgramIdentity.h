#pragma once

#include <QHash>
#include <QString>

// Which program a command word runs, known by what it is rather than by the name it was typed
// as: "editor" is vim through the Debian alternatives, "zsh5" and "rksh93" are shells,
// "perl5.36-x86_64-linux-gnu" is perl. The reader's tables are asked by that name only.
namespace ShellProgramIdentity {

// The program `word` runs (quotes removed), by the name of the family the reader knows it
// under; a name the reader cannot place is returned as typed, without its folder.
QString programOf(const QString& word);

// Whether the reader knows how `name` (as programOf() gives it) reads its words: its options,
// and the edges of words it reads as syntax of its own. A program it does not know gets the
// strict rules.
bool familiar(const QString& name);
// Whether `name` is a program the reader knows that a program can start: not one of bash's
// builtins only.
bool runnable(const QString& name);

// While one lives, programOf() on this thread remembers what it found, so that the many
// questions a template's reading asks about its few command words cost one look at the file
// system each. Nothing is kept beyond it: a program installed later is found by the next one.
class Lookups {
public:
    Lookups();
    ~Lookups();
    Lookups(const Lookups&) = delete;
    Lookups& operator=(const Lookups&) = delete;

private:
    friend QString programOf(const QString& word);
    QHash<QString, QString> found_;
    Lookups* outer_ = nullptr;
};

}  // namespace ShellProgramIdentity
