#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

// The template as the commands it runs, for following where values go: each simple command's
// words, what it reads and which commands feed it. Inside the value flow only.
namespace ShellValueFlow {

// The ends of quoted and nested pieces of a word, each from the character after its opening.
qsizetype skipEscaped(QStringView text, qsizetype i, QChar close);
qsizetype skipNested(QStringView text, qsizetype i, QChar open);

struct Token {
    enum class Kind { word, op, newline };
    Kind kind = Kind::word;
    QString text;
};

// Something a command reads on its input: a file (or process substitution) it names, a
// here-string's word, or a here-document's body, whose text bash expands unless its delimiter
// is quoted.
struct RawInput {
    enum class Kind { file, hereString, hereDocument, quotedHereDocument };
    Kind kind = Kind::file;
    QString text;
};

struct RawCommand {
    QStringList words;
    QList<RawInput> inputs;
    bool readsFile = false;  // "<", "<>": a file, which may hold what was written before
    // "<&": a descriptor, which the template may have filled with anything before
    bool unknownInput = false;
    QStringList outputs;       // files its output goes to (">", ">>", "&>", ">|")
    QList<qsizetype> feeders;  // commands whose output it reads
    bool fedAnything = false;  // inside ">(…)": it reads what the outer command writes
    bool repeats = false;      // inside a loop: it runs again, after the commands after it
};

class Reader {
public:
    explicit Reader(QList<RawCommand>& commands, bool& functions, bool fedAnything = false)
        : commands_(commands), functions_(functions), fedAnything_(fedAnything) {}

    void read(QStringView text);

private:
    QList<Token> tokens(QStringView text);
    qsizetype wordEnd(QStringView text, qsizetype i) const;
    void readSubstitutions(QStringView word);
    qsizetype add(RawCommand command);

    QList<RawCommand>& commands_;
    bool& functions_;
    bool fedAnything_;
    // token index of a here-document's delimiter: its body, and whether the delimiter is quoted
    QHash<qsizetype, std::pair<QString, bool>> bodies_;
};

// What a command's output may carry (ShellCommandOutput.cpp). The command's program is the word
// at `program` among `words`.

// Builtins whose output is their words or nothing, whatever was kept before.
bool printsOnlyItsWords(const QString& program);
// Whether it prints its words as it got them: echo unless told to read escapes, and printf
// with a format of the template's own that has only "%s" (no "%b", which decodes, nor widths,
// which pad).
bool printsWordsAsGiven(const QStringList& words, qsizetype program);
// Whether it passes on what it reads line for line, as it read it: a line may be left out,
// never rewritten.
bool passesInputAsRead(const QStringList& words, qsizetype program);
// The words its output may carry, as given, where that is not all of them: find prints the
// paths it finds, each beginning with one of its start points, unless an action prints
// something else; grep prints lines of what it reads and the names of its files, never its
// pattern.
std::optional<QStringList> printedWords(const QStringList& words, qsizetype program);
// Whether `text` runs commands whose output it takes in (a command substitution, a process
// substitution) that may print what a program kept before, in a file or a setting: any but
// one that prints a number or a date.
bool runsCommands(QStringView text);
// `text` with each command substitution that prints a number whatever it reads written as that
// number: no value gets through one.
QString withoutNumbers(QStringView text);

}  // namespace ShellValueFlow
