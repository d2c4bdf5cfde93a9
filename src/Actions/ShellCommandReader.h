#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

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

struct RawCommand {
    QStringList words;
    QStringList inputs;        // here-strings, here-documents and files it reads
    bool readsFile = false;    // "<", "<>": a file, which may hold what was written before
    QStringList outputs;       // files its output goes to (">", ">>", "&>", ">|")
    QList<qsizetype> feeders;  // commands whose output it reads
    bool fedAnything = false;  // inside ">(…)": it reads what the outer command writes
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
    QHash<qsizetype, QString> bodies_;  // token index of a here-document's delimiter: its body
};

}  // namespace ShellValueFlow
