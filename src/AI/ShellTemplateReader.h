#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

// Follows a shell command template through the shell's grammar far enough to say how the
// shell reads the text at a position: as an unquoted word, inside '…', inside "…", in a
// comment, or somewhere it evaluates a value once more as code or arithmetic. Values never
// stand in the text the shell parses (they arrive as arguments), so a misreading can
// only put the wrong quotes around a reference; the refusals must hold, so the reader stays
// in a refusing state wherever it is unsure where an enclosing construct ends.
class ShellTemplateReader {
public:
    enum class Place { word, singleQuoted, doubleQuoted, comment, refused };

    // `whole` is the entire template, read piece by piece with read(): which variables it
    // sets anywhere decides whether a command word made of them is known.
    explicit ShellTemplateReader(const QString& whole);

    void read(QStringView text);

    // A value comes next: settles what the last characters began and says where it stands.
    Place placeOfValue();

    // Whether the text so far ends in a backslash that applies to what follows.
    bool afterBackslash() const { return escaped_; }

    // `reference` (the quoted reference to the value) was put at the current position.
    void valueInserted(const QString& reference);

    // The template has been read to its end.
    void finish();
    // Whether a command takes a variable's name from an expansion ("read $x"): any value
    // that reaches that variable would be evaluated. Asked after finish().
    bool evaluatesVariables() const { return evaluatesVariables_; }

private:
    enum class Kind {
        command,       // unquoted: the whole template, or the inside of "$(…)"
        singleQuoted,  // '…'
        doubleQuoted,  // "…"
        comment,       // from "#" to the end of the line
        escaping,      // `…` and $'…': backslashes inside are read before anything else
        enclosed,      // ${…}, $((…)), ((…)), $[…], [[…]], name[…]: evaluated again
    };
    enum class Pending { none, dollar, dollarParen, bracket };

    struct Frame {
        Kind kind = Kind::command;
        bool nested = false;
        // escaping: the closing character; enclosed: the opening and closing characters
        // and how many are open.
        QChar opening;
        QChar closing;
        int depth = 0;
        // command: the simple command read so far (finished words and the current one),
        // open subshell parentheses, open "case" statements and an open "name=(" list.
        QStringList words;
        QString word;
        bool inWord = false;
        int parens = 0;
        int cases = 0;
        bool arrayList = false;
        // The next word is the target of a redirection; an "&" may still turn out to be "&>".
        bool redirect = false;
        bool ampersand = false;
        // The redirection is ">&" or "<&", whose target bash expands a second time.
        bool duplicates = false;
        QChar previous;
    };

    void push(Kind kind, QChar opening = {}, QChar closing = {}, int depth = 0);
    void pop();
    Frame& nearestCommand();
    void settleLessThanSigns();
    void step(QChar c);
    void stepInCommand(Frame& frame, QChar c);
    void stepInEnclosed(Frame& frame, QChar c);
    void endWord(Frame& frame);
    void endCommand(Frame& frame);
    void startRedirection(Frame& frame);
    static bool namesFromExpansions(const QStringList& words);
    bool commandRereads(const Frame& frame) const;
    bool unknownCommand(const QString& word) const;
    bool rereads(const QString& command, const Frame& frame, qsizetype index) const;

    std::vector<Frame> frames_{Frame{}};
    Pending pending_ = Pending::none;
    bool escaped_ = false;
    int lessThanRun_ = 0;
    bool afterHereDocument_ = false;
    bool evaluatesVariables_ = false;
    // Names the template assigns somewhere, in any way; "" stands for the positional
    // parameters when the template sets them.
    QSet<QString> assignedNames_;
};
