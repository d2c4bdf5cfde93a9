#include "AI/ShellCommand.h"

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
// comment, or somewhere it reads the text once more.
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
            case Kind::backquoted:
            case Kind::dollarQuoted:
            case Kind::braced:
            case Kind::arithmetic:
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
    }

private:
    enum class Kind {
        command,
        singleQuoted,
        doubleQuoted,
        comment,
        backquoted,
        dollarQuoted,
        braced,
        arithmetic
    };
    enum class Pending { none, dollar, dollarParen };

    struct Frame {
        Kind kind;
        // command inside "$(": open parentheses; braced, arithmetic: open braces/parentheses.
        int depth = 0;
        bool nested = false;
    };

    void push(Kind kind, int depth = 0) {
        frames_.push_back({kind, depth, true});
        wordStart_ = true;
    }
    void pop() {
        if (frames_.size() > 1)
            frames_.pop_back();
        wordStart_ = false;
    }

    // "<<" (not "<<<") opens a here-document, whose body the shell expands like "…" but
    // without any quote that could be closed: nothing after it is safe.
    void settleLessThanSigns() {
        if (lessThanRun_ == 2)
            afterHereDocument_ = true;
        lessThanRun_ = 0;
    }

    void step(QChar c) {
        if (pending_ == Pending::dollar) {
            pending_ = Pending::none;
            if (c == QLatin1Char('(')) {
                pending_ = Pending::dollarParen;
                return;
            }
            if (c == QLatin1Char('{')) {
                push(Kind::braced, 1);
                return;
            }
            if (c == QLatin1Char('\'') && frames_.back().kind == Kind::command) {
                push(Kind::dollarQuoted);  // $'…' reads backslash escapes
                return;
            }
        } else if (pending_ == Pending::dollarParen) {
            pending_ = Pending::none;
            if (c == QLatin1Char('(')) {
                push(Kind::arithmetic, 2);
                return;
            }
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
            case Kind::backquoted:
            case Kind::dollarQuoted:
                if (escaped_)
                    escaped_ = false;
                else if (c == QLatin1Char('\\'))
                    escaped_ = true;
                else if (c ==
                         (frame.kind == Kind::backquoted ? QLatin1Char('`') : QLatin1Char('\'')))
                    pop();
                return;
            case Kind::braced:
            case Kind::arithmetic: {
                const QChar opening =
                    frame.kind == Kind::braced ? QLatin1Char('{') : QLatin1Char('(');
                const QChar closing =
                    frame.kind == Kind::braced ? QLatin1Char('}') : QLatin1Char(')');
                if (escaped_)
                    escaped_ = false;
                else if (c == QLatin1Char('\\'))
                    escaped_ = true;
                else if (c == opening)
                    ++frame.depth;
                else if (c == closing && --frame.depth == 0)
                    pop();
                return;
            }
            case Kind::doubleQuoted:
                if (escaped_) {
                    escaped_ = false;
                } else if (c == QLatin1Char('\\')) {
                    escaped_ = true;
                } else if (c == QLatin1Char('"')) {
                    pop();
                } else if (c == QLatin1Char('`')) {
                    push(Kind::backquoted);
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
            return;
        }
        settleLessThanSigns();
        if (escaped_) {
            escaped_ = false;
            wordStart_ = false;
            return;
        }
        const bool startsWord = wordStart_;
        wordStart_ = c.isSpace() || QStringView(u";&|()>").contains(c);
        if (c == QLatin1Char('\\')) {
            escaped_ = true;
        } else if (c == QLatin1Char('\'')) {
            push(Kind::singleQuoted);
        } else if (c == QLatin1Char('"')) {
            push(Kind::doubleQuoted);
        } else if (c == QLatin1Char('`')) {
            push(Kind::backquoted);
        } else if (c == QLatin1Char('$')) {
            pending_ = Pending::dollar;
        } else if (c == QLatin1Char('#') && startsWord) {
            push(Kind::comment);
        } else if (frame.nested && c == QLatin1Char('(')) {
            ++frame.depth;
        } else if (frame.nested && c == QLatin1Char(')')) {
            if (frame.depth == 0)
                pop();
            else
                --frame.depth;
        }
    }

    std::vector<Frame> frames_{Frame{Kind::command}};
    Pending pending_ = Pending::none;
    bool escaped_ = false;
    bool wordStart_ = true;
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
