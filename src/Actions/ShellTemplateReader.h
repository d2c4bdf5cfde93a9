#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <vector>

#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellValueFlow.h"

// Follows a shell command template through bash's grammar (bash alone runs templates) far
// enough to say how it reads the text at a position: as an unquoted word, inside '…', inside
// "…", in a here-document, in a comment, or somewhere it evaluates a value once more as code
// or arithmetic. Values never
// stand in the text the shell parses (they arrive as arguments), so a misreading can
// only put the wrong quotes around a reference; the refusals must hold, so the reader stays
// in a refusing state wherever it is unsure where an enclosing construct ends.
class ShellTemplateReader {
public:
    enum class Place {
        word,
        singleQuoted,
        doubleQuoted,
        hereDocument,        // the body of <<EOF: expanded, but quotes are plain characters
        quotedHereDocument,  // the body of <<'EOF': nothing is expanded there
        comment,
        refused,
    };

    // How a program reads the word at some position, besides as plain text.
    struct WordPlace {
        bool options = false;     // "-…" is an option
        bool echoOnly = false;    // echo: only "-n", "-e", "-E" and their combinations are
        bool assignment = false;  // "NAME=value" is a setting (env before its command, make)
        bool numbers = false;     // a negative number is a number, not an option
        // What the program makes of the word's edges: "+command", "!command", "…|", "(".
        ShellProgramOptions::NameSyntax syntax = ShellProgramOptions::NameSyntax::plain;
        // A program the reader does not know may read the word: any edge some known program
        // reads as syntax counts ("+", "!", "|" at either end, a lone "(", ")" or ",").
        bool strict = false;
        // A redirection's target: bash itself opens "/dev/tcp/HOST/PORT" as a connection.
        bool redirection = false;
        // "+name" is an option too (ImageMagick).
        bool plusOptions = false;
        // sox: a word that names an effect starts one.
        bool soxEffects = false;
        // git push and fetch: ":" and "+" begin a refspec's instructions.
        bool refspec = false;
        // A list of settings (curl -K): any text there is one.
        bool settings = false;
        // The program the reader does not know that may run the one named in `program`.
        QString runner;
        bool expands = false;      // make: "$(…)" in the value of a "NAME=…" word runs
        bool dashOperand = false;  // a lone "-" is an operand (standard input, the last folder)
        // Who reads it, as written ("sort", "git log"), and whether a "--" of the template
        // would end the program's options there.
        QString program;
        bool endOfOptions = false;

        bool operator==(const WordPlace&) const = default;
    };

    // A word of a command where values stand that the program may read as more than text.
    // `numbers`: values (as given to valueInserted, in order) that begin the word, with
    // nothing but quotes and expansions that may come to nothing before them; `alone`:
    // nothing but values and such expansions make up the word. `reached`: values that a
    // variable, a command substitution or the command's input may bring into the word or,
    // split at blanks, into words of their own.
    // A piece of a word as the program gets it: text of the template, or value number
    // `value` (from 1).
    struct Piece {
        QString text;
        qsizetype value = 0;

        bool operator==(const Piece&) const = default;
    };

    struct OptionSpot {
        QList<qsizetype> numbers;
        ShellValueFlow::Values reached;
        bool alone = true;
        // The values that reach the word may be split at other characters than blanks.
        bool separators = false;
        // Values the word holds as text made from them (an expansion operator, a command
        // substitution, a program in a pipe): it may begin with anything.
        ShellValueFlow::Values derived;
        // The word as written in the template.
        QString written;
        WordPlace place;
        // Where the words after it stand: values split at blanks may reach them.
        WordPlace next;
        // xargs appends the values' words after the command, all of them where `place` says.
        bool appended = false;
        // The whole word, where nothing but the template's text and values make it: the
        // program reads its edges and addresses whole, whatever pieces make them.
        std::optional<QList<Piece>> pieces;
        // Text the reader cannot see (brace expansion) may join the value in its word: a lone
        // "-" there may be the start of an option.
        bool joinedText = false;

        bool operator==(const OptionSpot&) const = default;
    };

    // Why a value may not stand somewhere, and the piece of the template concerned, as
    // written ("eval", "$((…))"); `values`: the values concerned where no placeholder stands.
    enum class Evaluation { code, arithmetic, name, unknownCommand, unmodelled, shellOption };
    struct Finding {
        Evaluation how = Evaluation::code;
        QString construct;
        ShellValueFlow::Values values;

        bool operator==(const Finding&) const = default;
    };

    // `whole` is the entire template, read piece by piece with read(): which variables it
    // sets anywhere decides whether a command word made of them is known. `flow` says where
    // its values may go besides their own places.
    explicit ShellTemplateReader(const QString& whole, ShellValueFlow::Flow flow = {});

    void read(QStringView text);

    // The template read so far with every character that bash takes as plain text (inside
    // quotes, comments and here-documents, outside any expansion there) turned into a
    // blank, and placeholders as they were: checks that ignore quoting read this instead.
    const QString& masked() const { return masked_; }

    // A value comes next: settles what the last characters began and says where it stands.
    Place placeOfValue();

    // Names the template declares associative arrays ("declare -A"): their subscripts are
    // words, expanded once, not arithmetic.
    const QSet<QString>& associativeNames() const { return associativeNames_; }

    // Why placeOfValue() last said Place::refused.
    const Finding& refusal() const { return refusal_; }

    // Whether the text so far ends in a backslash that applies to what follows.
    bool afterBackslash() const { return escaped_; }
    // Whether bash would drop a backslash and newline that came next, joining the lines:
    // everywhere but inside '…', $'…', a comment and a here-document whose delimiter is
    // quoted.
    bool joinsLines() const;

    // `reference` (the quoted reference "${tavrin_value_N}" to value number N) was put at the
    // current position in place of `placeholder`.
    void valueInserted(const QString& reference, QStringView placeholder);

    // The template has been read to its end.
    void finish();
    // Whether a command takes a variable's name from an expansion ("read $x"): any value
    // that reaches that variable would be evaluated. Asked after finish().
    bool evaluatesVariables() const { return evaluatesVariables_; }
    // Where values would make an option if they began with "-". Asked after finish().
    const QList<OptionSpot>& optionSpots() const { return optionSpots_; }
    // Values that a variable or a command's input brings where bash evaluates them once
    // more: after eval, in a second shell's script, a prompt. Asked after finish().
    const ShellValueFlow::Values& evaluatedThroughVariables() const { return evaluatedValues_; }
    // A value that a shell reads as its script from its input or a process substitution
    // ("echo {{a}} | sh", "sh <<< {{a}}"). Asked after finish().
    std::optional<qsizetype> scriptFromInput() const { return scriptFromInput_; }
    // The shell that would read it, as written.
    const QString& scriptReader() const { return scriptReader_; }
    // Where values reached through variables would be evaluated, as written ("eval").
    const QString& evaluatedConstruct() const { return evaluatedConstruct_; }
    // The command that takes a variable's name from an expansion.
    const QString& namesConstruct() const { return namesConstruct_; }
    // Values that reach a command whose program is unknown, or a construct the reader does
    // not model, without a placeholder standing there. Asked after finish().
    const std::optional<Finding>& reachedFinding() const { return reached_; }

private:
    enum class Kind {
        command,       // unquoted: the whole template, or the inside of "$(…)"
        singleQuoted,  // '…'
        doubleQuoted,  // "…"
        comment,       // from "#" to the end of the line
        escaping,      // `…` and $'…': backslashes inside are read before anything else
        enclosed,      // ${…}, $((…)), ((…)), $[…], name[…]: evaluated again
        defaultWord,   // the word of ${name:-…} and its kin: expanded once, like a word
        hereDocument,  // the body of a here-document, up to its delimiter line
    };
    enum class Pending { none, dollar, dollarParen };

    struct Frame {
        Kind kind = Kind::command;
        bool nested = false;
        // escaping, enclosed: the construct as the user knows it ("$((…))", "`…`").
        QString construct;
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
        bool listOpened = false;  // the word that opened the list has ended
        // The next word is the target of a redirection; an "&" may still turn out to be "&>".
        bool redirect = false;
        bool ampersand = false;
        // The redirection is ">&" or "<&", whose target bash expands a second time.
        bool duplicates = false;
        // The redirection is "<<" or "<<-": its target is a here-document's delimiter.
        bool hereOperator = false;
        bool stripTabs = false;
        // Inside [[ … ]]: "&&", "||", "<", ">" and parentheses belong to the test.
        bool conditional = false;
        QChar previous;
        // enclosed "${": what follows the brace, while it may still turn into a default.
        bool readsHead = false;
        QString head;
        // defaultWord: whether the expansion stands inside "…".
        bool inDoubleQuotes = false;
        // hereDocument: the delimiter, whether it was quoted, and "<<-".
        QString delimiter;
        bool quotedDelimiter = false;
        // defaultWord: "${PS4=…}" and its kin assign the word to a variable bash evaluates.
        bool evaluatedDefault = false;
        // enclosed "${name[": a value stands as the key of an associative array; what
        // follows it up to the end of the expansion.
        bool lookup = false;
        QString lookupRest;
        // command: the values anything inside may output, and those of each command
        // substitution in the current word, in order.
        ShellValueFlow::Values carried;
        QList<ShellValueFlow::Values> substitutions;
        // command: whether any command read so far may print what a program was given
        // before, and whether the current one has a redirection.
        bool printsKept = false;
        bool redirected = false;
        // command: where the current word begins in the template.
        qsizetype wordStart = 0;
        // command: the values the words of the current simple command may hold, each word's
        // own (the command word too) in order.
        QList<ShellValueFlow::Values> wordValues;
    };
    struct HereDocument {
        QString delimiter;
        bool quoted = false;
        bool stripTabs = false;
    };

    void push(Kind kind, QChar opening = {}, QChar closing = {}, int depth = 0,
              const QString& construct = {});
    void pop();
    // The innermost frame whose word the characters read belong to: a command, or the
    // body of a here-document (whose "word" is its current line).
    Frame& nearestCommand();
    void settleLessThanSigns();
    void step(QChar c);
    void stepInCommand(Frame& frame, QChar c);
    void stepInEnclosed(Frame& frame, QChar c);
    void stepInside(Frame& frame, QChar c);
    void stepInHereDocument(Frame& frame, QChar c);
    void lineEnded();
    bool plainCharacter(QChar c) const;
    void noteLeadingValues(const Frame& frame);
    void noteRedirectionTarget(const Frame& frame);
    void dollar();
    Frame& innermostCommand();
    std::optional<QString> variableEvaluatedHere() const;
    void followInputs();
    void followLists(const ShellValueFlow::Command& command);
    bool rereadsWord(const QStringList& words, const QString& word) const;
    static std::optional<WordPlace> placeAfter(const QStringList& words);
    static qsizetype programIndex(const QStringList& words,
                                  std::optional<WordPlace>* place = nullptr,
                                  QList<qsizetype>* positions = nullptr, QString* runner = nullptr);
    // The command word and the position of every program the wrappers among `words` run.
    static QList<qsizetype> programPositions(const QStringList& words);
    // The positions among programPositions() of programs that a program the reader does not
    // know runs: its own words ("start-stop-daemon -x /bin/sh -- -c …") may stand among
    // theirs, so a "--" there ends nothing.
    static QSet<qsizetype> runByUnknownPrograms(const QStringList& words);
    static std::optional<QString> shellCommand(const QStringList& words, bool* given = nullptr);
    static bool isEvaluatedVariable(const QString& name);
    void endWord(Frame& frame);
    void endCommand(Frame& frame);
    void startRedirection(Frame& frame);
    bool namesFromExpansions(const QStringList& words) const;
    std::optional<Finding> commandRereads(const Frame& frame) const;
    bool unknownCommand(const QString& word) const;
    std::optional<QString> unknownProgram(const QStringList& words) const;
    bool printsOnlyItsOwn(const QStringList& words) const;
    std::optional<Finding> rereads(const QString& command, const Frame& frame,
                                   qsizetype index) const;
    std::optional<Finding> enclosedFinding(const Frame& frame) const;
    Place placeOfLookup();
    void noteReached(Evaluation how, const QString& construct,
                     const ShellValueFlow::Values& values);
    void checkCommand(const Frame& frame);
    ShellValueFlow::Values valuesOfWord(const Frame& frame) const;
    ShellValueFlow::Values storedValues() const;

    std::vector<Frame> frames_{Frame{}};
    Pending pending_ = Pending::none;
    bool escaped_ = false;
    int lessThanRun_ = 0;
    bool dollarName_ = false;
    bool evaluatesVariables_ = false;
    // Names the template makes arrays (and bash's own arrays): a declaration reads a value
    // given to such a name as a list with subscripts.
    QSet<QString> arrayNames_;
    std::vector<HereDocument> hereDocuments_;
    QString masked_;
    // The template read so far, as written, and whether a character of it is being read.
    QString source_;
    bool reading_ = false;
    QList<OptionSpot> optionSpots_;
    // Names the template assigns somewhere, in any way; "" stands for the positional
    // parameters when the template sets them.
    QSet<QString> assignedNames_;
    ShellValueFlow::Flow flow_;
    // The template text after the character being read, up to the next value.
    QStringView ahead_;
    ShellValueFlow::Values evaluatedValues_;
    std::optional<qsizetype> scriptFromInput_;
    Finding refusal_;
    QString scriptReader_;
    QString evaluatedConstruct_;
    QString namesConstruct_;
    std::optional<Finding> reached_;
    // Names the template makes aliases: a command word with such a name is unknown.
    QSet<QString> aliasNames_;
    QSet<QString> associativeNames_;
    // The values any word read so far may hold, and whether the template has loops or
    // functions, whose commands run again: a command substitution may print what any
    // program was given before (kept in a file, a setting), or given at all.
    ShellValueFlow::Values given_;
    bool runsAgain_ = false;
    // The template exports variables (export, declare -x, set -a): a value that reaches
    // one is in the environment of every later command.
    bool exports_ = false;
};
