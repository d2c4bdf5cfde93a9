#include "AI/ShellCommand.h"

#include <QRegularExpression>
#include <vector>

namespace ShellCommand {

namespace {

// Walks `text` once, handing each stretch of template text to `literal` and the value of
// each placeholder to `value`.
template <typename Literal, typename Value>
void scan(const QString& text, const QList<Placeholder>& placeholders, Literal literal,
          Value value) {
    static const QString open = QStringLiteral("{{");
    static const QString close = QStringLiteral("}}");
    qsizetype position = 0;
    qsizetype copied = 0;
    while (position < text.size()) {
        const qsizetype start = text.indexOf(open, position);
        if (start < 0)
            break;
        const QStringView rest = QStringView(text).mid(start + open.size());
        const Placeholder* match = nullptr;
        for (const Placeholder& placeholder : placeholders) {
            if (rest.startsWith(placeholder.first) &&
                rest.mid(placeholder.first.size()).startsWith(close)) {
                match = &placeholder;
                break;
            }
        }
        if (!match) {
            // Not a known placeholder: look again from the next brace, so "{{{name}}" still
            // finds "{{name}}".
            position = start + 1;
            continue;
        }
        literal(QStringView(text).mid(copied, start - copied));
        value(match->second);
        position = start + open.size() + match->first.size() + close.size();
        copied = position;
    }
    literal(QStringView(text).mid(copied));
}

// Follows a template through the shell's grammar far enough to know how the shell will read
// the text at the current position: as an unquoted word, inside '…', inside "…", in a
// comment, or somewhere it evaluates the text once more (there even a quoted value would run:
// bash evaluates array subscripts and arithmetic, $(…) included, after quote removal).
class ShellReader {
public:
    enum class Place { word, singleQuoted, doubleQuoted, comment, rereadByShell };

    void read(QStringView text) {
        for (const QChar c : text)
            step(c);
    }

    // A value comes next: settle what the last characters began.
    void arriveAtValue() {
        if (frames_.back().kind == Kind::command)
            settleLessThanSigns();
        if (pending_ == Pending::dollarParen) {
            pending_ = Pending::none;
            push(Kind::command);
        }
        if (frames_.back().kind == Kind::enclosed)
            frames_.back().justOpened = false;
    }

    Place place() const {
        if (afterHereDocument_ || pending_ == Pending::dollar)
            return Place::rereadByShell;
        switch (frames_.back().kind) {
            case Kind::command:
                return Place::word;
            case Kind::singleQuoted:
                return Place::singleQuoted;
            case Kind::doubleQuoted:
                return Place::doubleQuoted;
            case Kind::comment:
                return Place::comment;
            case Kind::escaping:
            case Kind::enclosed:
                return Place::rereadByShell;
        }
        return Place::rereadByShell;
    }

    // Whether the text so far ends in a backslash that applies to what follows.
    bool afterBackslash() const { return escaped_; }

    // A value was put in at the current position: it is one quoted word (or part of one).
    void valueInserted() {
        pending_ = Pending::none;
        escaped_ = false;
        wordStart_ = false;
        word_ = QStringLiteral("'");
        previous_ = QLatin1Char('\'');
    }

private:
    enum class Kind {
        command,       // unquoted: the whole template, or the inside of "$(…)"
        singleQuoted,  // '…'
        doubleQuoted,  // "…"
        comment,       // from "#" to the end of the line
        escaping,      // `…` and $'…': backslashes inside are read before anything else
        enclosed,      // ${…}, $((…)), ((…)), $[…], name[…]: evaluated again by the shell
    };
    enum class Pending { none, dollar, dollarParen };

    struct Frame {
        Kind kind = Kind::command;
        bool nested = false;
        // escaping: the closing character; enclosed: the opening and closing characters
        // and how many are open.
        QChar opening;
        QChar closing;
        int depth = 0;
        // enclosed "[" that may still turn out to be the test command "[ … ]".
        bool justOpened = false;
    };

    void push(Kind kind, QChar opening = {}, QChar closing = {}, int depth = 0) {
        frames_.push_back({kind, true, opening, closing, depth, false});
        wordStart_ = true;
        previous_ = QChar();
    }
    void pop() {
        if (frames_.size() > 1)
            frames_.pop_back();
        wordStart_ = false;
        word_ = QStringLiteral("'");
        previous_ = QChar();
    }

    // "<<" (not "<<<") opens a here-document, whose body the shell expands like "…" but
    // without any quote that could be closed: nothing after it is safe.
    void settleLessThanSigns() {
        if (lessThanRun_ == 2)
            afterHereDocument_ = true;
        lessThanRun_ = 0;
    }

    static bool isName(const QString& word) {
        static const QRegularExpression name(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
        return word.isEmpty() || name.match(word).hasMatch();
    }

    void step(QChar c) {
        if (pending_ == Pending::dollar) {
            pending_ = Pending::none;
            if (c == QLatin1Char('(')) {
                pending_ = Pending::dollarParen;
                return;
            }
            if (c == QLatin1Char('{'))
                return push(Kind::enclosed, QLatin1Char('{'), QLatin1Char('}'), 1);
            if (c == QLatin1Char('['))
                return push(Kind::enclosed, QLatin1Char('['), QLatin1Char(']'), 1);
            if (c == QLatin1Char('\'') && frames_.back().kind == Kind::command)
                return push(Kind::escaping, {}, QLatin1Char('\''));
        } else if (pending_ == Pending::dollarParen) {
            pending_ = Pending::none;
            if (c == QLatin1Char('('))
                return push(Kind::enclosed, QLatin1Char('('), QLatin1Char(')'), 2);
            push(Kind::command);
        }

        Frame& frame = frames_.back();
        switch (frame.kind) {
            case Kind::singleQuoted:
                if (c == QLatin1Char('\''))
                    pop();
                return;
            case Kind::comment:
                if (c == QLatin1Char('\n')) {
                    pop();
                    wordStart_ = true;
                }
                return;
            case Kind::escaping:
                if (escaped_)
                    escaped_ = false;
                else if (c == QLatin1Char('\\'))
                    escaped_ = true;
                else if (c == frame.closing)
                    pop();
                return;
            case Kind::enclosed:
                if (frame.justOpened) {
                    frame.justOpened = false;
                    if (c.isSpace()) {
                        pop();  // "[ " is the test command, which reads plain words
                        wordStart_ = true;
                        return;
                    }
                }
                if (escaped_)
                    escaped_ = false;
                else if (c == QLatin1Char('\\'))
                    escaped_ = true;
                else if (c == frame.opening)
                    ++frame.depth;
                else if (c == frame.closing && --frame.depth == 0)
                    pop();
                return;
            case Kind::doubleQuoted:
                if (escaped_) {
                    escaped_ = false;
                } else if (c == QLatin1Char('\\')) {
                    escaped_ = true;
                } else if (c == QLatin1Char('"')) {
                    pop();
                } else if (c == QLatin1Char('`')) {
                    push(Kind::escaping, {}, QLatin1Char('`'));
                } else if (c == QLatin1Char('$')) {
                    pending_ = Pending::dollar;
                }
                return;
            case Kind::command:
                stepInCommand(frame, c);
                return;
        }
    }

    void stepInCommand(Frame& frame, QChar c) {
        if (c == QLatin1Char('<') && !escaped_) {
            ++lessThanRun_;
            wordStart_ = true;
            previous_ = c;
            return;
        }
        settleLessThanSigns();
        if (escaped_) {
            escaped_ = false;
            wordStart_ = false;
            word_ += QLatin1Char('\\');
            previous_ = QChar();
            return;
        }
        if (wordStart_)
            word_.clear();
        const bool startsWord = wordStart_;
        const QString wordBefore = word_;
        const QChar before = previous_;
        word_ += c;
        previous_ = c;
        wordStart_ = c.isSpace() || QStringView(u";&|()>").contains(c);
        if (c == QLatin1Char('\\')) {
            escaped_ = true;
        } else if (c == QLatin1Char('\'')) {
            push(Kind::singleQuoted);
        } else if (c == QLatin1Char('"')) {
            push(Kind::doubleQuoted);
        } else if (c == QLatin1Char('`')) {
            push(Kind::escaping, {}, QLatin1Char('`'));
        } else if (c == QLatin1Char('$')) {
            pending_ = Pending::dollar;
        } else if (c == QLatin1Char('#') && startsWord) {
            push(Kind::comment);
        } else if (c == QLatin1Char('[') && isName(wordBefore)) {
            // name[…]=, ( […]=… ) and [[ … ]] evaluate what is inside.
            push(Kind::enclosed, QLatin1Char('['), QLatin1Char(']'), 1);
            frames_.back().justOpened = true;
        } else if (c == QLatin1Char('(') && before == QLatin1Char('(')) {
            // "((": an arithmetic command.
            if (frame.nested && frame.depth > 0)
                --frame.depth;
            push(Kind::enclosed, QLatin1Char('('), QLatin1Char(')'), 2);
        } else if (frame.nested && c == QLatin1Char('(')) {
            ++frame.depth;
        } else if (frame.nested && c == QLatin1Char(')')) {
            if (frame.depth == 0)
                pop();
            else
                --frame.depth;
        }
    }

    std::vector<Frame> frames_{Frame{}};
    Pending pending_ = Pending::none;
    bool escaped_ = false;
    bool wordStart_ = true;
    // The current unquoted word so far, and the character before (none after a quote).
    QString word_;
    QChar previous_;
    int lessThanRun_ = 0;
    bool afterHereDocument_ = false;
};

}  // namespace

QString quote(const QString& value) {
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString fill(const QString& text, const QList<Placeholder>& placeholders,
             const std::function<QString(const QString&)>& encode) {
    QString result;
    result.reserve(text.size());
    scan(
        text, placeholders, [&](QStringView literal) { result += literal; },
        [&](const QString& value) { result += encode(value); });
    return result;
}

std::optional<QString> fillQuoted(const QString& text, const QList<Placeholder>& placeholders) {
    QString result;
    result.reserve(text.size());
    ShellReader reader;
    bool safe = true;
    scan(
        text, placeholders,
        [&](QStringView literal) {
            result += literal;
            reader.read(literal);
        },
        [&](const QString& value) {
            reader.arriveAtValue();
            // A backslash of the template before the placeholder would escape our first
            // quote; a second one makes the pair a plain backslash instead.
            if (reader.afterBackslash())
                result += QLatin1Char('\\');
            switch (reader.place()) {
                case ShellReader::Place::word:
                    result += quote(value);
                    break;
                case ShellReader::Place::singleQuoted:
                    // Close the template's quotes, put the quoted value, open them again.
                    result += QLatin1Char('\'') + quote(value) + QLatin1Char('\'');
                    break;
                case ShellReader::Place::doubleQuoted:
                    result += QLatin1Char('"') + quote(value) + QLatin1Char('"');
                    break;
                case ShellReader::Place::comment:
                    // A line break would end the comment; the rest of the value would run.
                    result += QString(value).replace(QLatin1Char('\n'), QLatin1Char(' '));
                    break;
                case ShellReader::Place::rereadByShell:
                    safe = false;
                    break;
            }
            reader.valueInserted();
        });
    if (!safe)
        return std::nullopt;
    return result;
}

}  // namespace ShellCommand
