#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>

// How bash cuts a command line into words and what a word is once quotes are gone: shared by
// the template reader, its checks of what a command evaluates, and the second look over the
// masked template.
namespace ShellWords {

bool isNameStart(QChar c);
bool isNameCharacter(QChar c);
// The length of the variable name `text` begins with, 0 when it begins with none.
qsizetype nameLength(QStringView text);

// Only these end a word for the shell; no-break and other Unicode spaces are word
// characters to it.
bool isBlank(QChar c);

// A word as the shell sees it after quote removal, near enough to recognise 'eval' or
// e\val as eval.
QString unquoted(QString word);
// The program a command word runs, known by what it is: its folder and a version left off
// ("/usr/bin/git" → "git", "python3.11" → "python3", "perl5.36.0" → "perl"), and a name the
// reader does not know followed along the search path and its links ("editor" → "vim").
QString programName(const QString& word);

// Whether a path leads into /dev or /proc however it is written ("//dev/stdin",
// "/dev/./fd/0", "../../dev/stdin", which climbs there from any folder not too deep); a
// path that neither begins at the root nor climbs stays in the working folder.
bool intoDevOrProc(const QString& path);

bool isName(const QString& word);
bool isAssignment(const QString& word);
// "name=" or "name+=" right before "(": an array list follows.
bool opensArrayList(const QString& word);
// The name an assignment word gives a value to, "" when it is none or its subscript
// expands (then the name itself is evaluated).
QString assignedName(const QString& word);

bool expands(const QString& word);
// What is left of an unquoted word once its expansions are gone: "$@let" runs let when there
// are no arguments, and "$x" may be nothing at all.
QString withoutExpansions(const QString& word);

// The position of the command word among `words`, -1 when the command has not begun.
qsizetype commandIndex(const QStringList& words);

// Whether the command of a substitution ("$(…)", its text without the parentheses) prints a
// number whatever values it reads: its last command is wc, counting what comes on its input,
// grep -c counting one file's or its input's lines, or date, formatting in a numeric format of
// the template's own the time a word names. Values may stand in the commands before it, in
// redirections, in grep's pattern and in date's -d and -r; no other word of the last command
// expands, and there is no list or group. Reads the template with placeholders ("{{name}}") or
// with references to values alike.
bool printsANumber(QStringView command);

}  // namespace ShellWords
