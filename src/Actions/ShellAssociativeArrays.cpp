#include "Actions/ShellAssociativeArrays.h"

#include <QList>
#include <QRegularExpression>
#include <QStringList>

#include "Actions/ShellWords.h"

namespace {

bool isName(QStringView word) {
    return !word.isEmpty() && ShellWords::nameLength(word) == word.size();
}

// How a command is joined to the one before it, or to the one after it.
enum class Joint { start, sequence, conditional, pipe, background, end };

struct Declaration {
    QString name;
    qsizetype start = 0;
    qsizetype end = 0;
};

// Follows the commands of a script far enough to tell the simple commands that stand on its top
// level from those inside a compound command, a function's body, a subshell or a substitution.
// Whatever it does not follow ends the reading with nothing trusted.
class TopLevel {
public:
    explicit TopLevel(const QString& text) : text_(text) {}

    // The declarations of associative arrays by simple commands of the top level; none where
    // the text holds something the reading does not follow.
    QList<Declaration> declarations() {
        run(0, false);
        if (failed_)
            return {};
        return found_;
    }

private:
    struct HereDocument {
        QString delimiter;
        bool stripTabs = false;
    };

    const QString& text_;
    bool failed_ = false;
    QList<Declaration> found_;
    QList<HereDocument> pending_;

    qsizetype fail() {
        failed_ = true;
        return text_.size();
    }

    QChar at(qsizetype i) const { return i < text_.size() ? text_[i] : QChar(); }

    // The position of a ")" after `i` and blanks, or -1.
    qsizetype closingAfterBlanks(qsizetype i) const {
        while (at(i) == QLatin1Char(' ') || at(i) == QLatin1Char('\t'))
            ++i;
        return at(i) == QLatin1Char(')') ? i : -1;
    }

    // The bodies of the here-documents whose operators the line before `i` held.
    qsizetype skipHereDocuments(qsizetype i) {
        while (!pending_.isEmpty()) {
            const HereDocument document = pending_.takeFirst();
            for (;;) {
                if (i >= text_.size())
                    return fail();
                qsizetype end = text_.indexOf(QLatin1Char('\n'), i);
                if (end < 0)
                    end = text_.size();
                QStringView line = QStringView(text_).mid(i, end - i);
                while (document.stripTabs && line.startsWith(QLatin1Char('\t')))
                    line = line.mid(1);
                i = end + 1;
                if (line == document.delimiter)
                    break;
            }
        }
        return i;
    }

    // After "<<" at `i`: notes the delimiter, returns where it ends.
    qsizetype hereOperator(qsizetype i) {
        HereDocument document;
        if (at(i) == QLatin1Char('-')) {
            document.stripTabs = true;
            ++i;
        }
        while (at(i) == QLatin1Char(' ') || at(i) == QLatin1Char('\t'))
            ++i;
        while (i < text_.size() && !QStringView(u" \t\n;&|<>()").contains(text_[i])) {
            const QChar c = text_[i];
            if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
                const qsizetype close = text_.indexOf(c, i + 1);
                if (close < 0)
                    return fail();
                document.delimiter += QStringView(text_).mid(i + 1, close - i - 1);
                i = close + 1;
            } else if (c == QLatin1Char('\\')) {
                document.delimiter += at(i + 1);
                i += 2;
            } else if (c == QLatin1Char('$') || c == QLatin1Char('`')) {
                return fail();
            } else {
                document.delimiter += c;
                ++i;
            }
        }
        if (document.delimiter.isEmpty())
            return fail();
        pending_.append(document);
        return i;
    }

    // From the character after an opening quote to the one after its closing quote.
    qsizetype skipSingle(qsizetype i) {
        const qsizetype close = text_.indexOf(QLatin1Char('\''), i);
        return close < 0 ? fail() : close + 1;
    }

    qsizetype skipEscaping(qsizetype i, QChar closing) {
        for (; i < text_.size(); ++i) {
            if (text_[i] == QLatin1Char('\\'))
                ++i;
            else if (text_[i] == closing)
                return i + 1;
        }
        return fail();
    }

    qsizetype skipDouble(qsizetype i) {
        while (i < text_.size()) {
            const QChar c = text_[i];
            if (c == QLatin1Char('\\')) {
                i += 2;
            } else if (c == QLatin1Char('"')) {
                return i + 1;
            } else if (c == QLatin1Char('`')) {
                i = skipEscaping(i + 1, QLatin1Char('`'));
            } else if (c == QLatin1Char('$') && at(i + 1) == QLatin1Char('(')) {
                i = run(i + 2, true);
            } else if (c == QLatin1Char('$') && at(i + 1) == QLatin1Char('{')) {
                i = skipBraced(i + 2);
            } else {
                ++i;
            }
        }
        return fail();
    }

    // "${…}": from after the brace to after its closing one.
    qsizetype skipBraced(qsizetype i) {
        int depth = 1;
        while (i < text_.size()) {
            const QChar c = text_[i];
            if (c == QLatin1Char('\\'))
                i += 2;
            else if (c == QLatin1Char('\''))
                i = skipSingle(i + 1);
            else if (c == QLatin1Char('"'))
                i = skipDouble(i + 1);
            else if (c == QLatin1Char('`'))
                i = skipEscaping(i + 1, QLatin1Char('`'));
            else if (c == QLatin1Char('$') && at(i + 1) == QLatin1Char('('))
                i = run(i + 2, true);
            else if (c == QLatin1Char('{') && ++depth && ++i)
                continue;
            else if (c == QLatin1Char('}') && --depth == 0)
                return i + 1;
            else
                ++i;
        }
        return fail();
    }

    // A list "(…)" of an assignment: from after the parenthesis to after its closing one.
    qsizetype skipList(qsizetype i) {
        while (i < text_.size()) {
            const QChar c = text_[i];
            if (c == QLatin1Char('\\'))
                i += 2;
            else if (c == QLatin1Char('\''))
                i = skipSingle(i + 1);
            else if (c == QLatin1Char('"'))
                i = skipDouble(i + 1);
            else if (c == QLatin1Char('$') && at(i + 1) == QLatin1Char('('))
                i = run(i + 2, true);
            else if (c == QLatin1Char('$') && at(i + 1) == QLatin1Char('{'))
                i = skipBraced(i + 2);
            else if (c == QLatin1Char(')'))
                return i + 1;
            else
                ++i;
        }
        return fail();
    }

    void declared(const QStringList& words, qsizetype start, qsizetype end) {
        if (words.isEmpty() || (words.front() != QLatin1String("declare") &&
                                words.front() != QLatin1String("typeset")))
            return;
        bool associative = false;
        qsizetype i = 1;
        for (; i < words.size(); ++i) {
            const QString& word = words[i];
            if (word == QLatin1String("--")) {
                ++i;
                break;
            }
            if (!word.startsWith(QLatin1Char('-')) && !word.startsWith(QLatin1Char('+')))
                break;
            if (word.startsWith(QLatin1Char('+')) || word.contains(QLatin1Char('p')) ||
                word.contains(QLatin1Char('f')) || word.contains(QLatin1Char('F')))
                return;
            associative = associative || word.contains(QLatin1Char('A'));
        }
        if (!associative)
            return;
        static const QRegularExpression assignment(
            QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)(\\+?=.*)?$"),
            QRegularExpression::DotMatchesEverythingOption);
        for (; i < words.size(); ++i) {
            if (const QRegularExpressionMatch match = assignment.match(words[i]); match.hasMatch())
                found_.append({match.captured(1), start, end});
        }
    }

    // Reads commands from `i`: the whole script, or (`nested`) the inside of "$(…)", "<(…)" or
    // ">(…)" up to its closing parenthesis, after which it returns.
    qsizetype run(qsizetype i, bool nested) {
        // What encloses the current command: '(' a subshell, '{' a group or a function's body,
        // 'k' a loop or "if", 'c' a "case".
        QString stack;
        QStringList words;
        QString word;
        bool inWord = false;
        bool plain = true;
        bool redirected = false;  // the next word is a redirection's target
        bool compound = false;    // the command is a compound one or a function's definition
        Joint before = Joint::start;
        qsizetype start = i;
        bool topAtStart = true;
        const auto endWord = [&] {
            if (!inWord)
                return;
            static const QStringList prefixes = {"then", "do", "else", "elif", "!", "time"};
            static const QStringList openers = {"if", "while", "until", "for", "select"};
            const bool first = words.isEmpty() && !compound;
            if (redirected) {
                redirected = false;
            } else if (first && plain && prefixes.contains(word)) {
            } else if (first && plain && openers.contains(word)) {
                stack += QLatin1Char('k');
                compound = true;
            } else if (first && plain && word == QLatin1String("case")) {
                stack += QLatin1Char('c');
                compound = true;
            } else if (first && plain &&
                       (word == QLatin1String("fi") || word == QLatin1String("done"))) {
                if (!stack.endsWith(QLatin1Char('k')))
                    fail();
                stack.chop(1);
                compound = true;
            } else if (first && plain && word == QLatin1String("esac")) {
                if (!stack.endsWith(QLatin1Char('c')))
                    fail();
                stack.chop(1);
                compound = true;
            } else {
                words.append(plain ? word : QStringLiteral("\x01") + word);
            }
            word.clear();
            inWord = false;
            plain = true;
        };
        const auto endCommand = [&](Joint after, qsizetype end) {
            endWord();
            if (!nested && topAtStart && stack.isEmpty() && !compound &&
                (before == Joint::start || before == Joint::sequence) &&
                (after == Joint::sequence || after == Joint::conditional || after == Joint::end))
                declared(words, start, end);
            words.clear();
            compound = false;
            redirected = false;
            before = after;
            topAtStart = stack.isEmpty();
        };
        const auto commandStart = [&] { return !inWord && words.isEmpty() && !compound; };
        while (i < text_.size() && !failed_) {
            const QChar c = text_[i];
            if (!inWord && commandStart() && words.isEmpty())
                start = i;
            if (c == QLatin1Char('\\') && at(i + 1) == QLatin1Char('\n')) {
                i += 2;
            } else if (c == QLatin1Char('\\')) {
                word += QStringView(text_).mid(i, 2);
                inWord = true;
                plain = false;
                i += 2;
            } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
                const qsizetype from = i;
                i = c == QLatin1Char('\'')  ? skipSingle(i + 1)
                    : c == QLatin1Char('"') ? skipDouble(i + 1)
                                            : skipEscaping(i + 1, c);
                word += QStringView(text_).mid(from, i - from);
                inWord = true;
                plain = false;
            } else if (c == QLatin1Char('$')) {
                const qsizetype from = i;
                const QChar next = at(i + 1);
                if (next == QLatin1Char('('))
                    i = run(i + 2, true);
                else if (next == QLatin1Char('{'))
                    i = skipBraced(i + 2);
                else if (next == QLatin1Char('\''))
                    i = skipEscaping(i + 2, QLatin1Char('\''));
                else if (next == QLatin1Char('"'))
                    i = skipDouble(i + 2);
                else
                    ++i;
                word += QStringView(text_).mid(from, i - from);
                inWord = true;
                plain = false;
            } else if (c == QLatin1Char('#') && !inWord) {
                while (i < text_.size() && text_[i] != QLatin1Char('\n'))
                    ++i;
            } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
                endWord();
                ++i;
            } else if (c == QLatin1Char('\n')) {
                endCommand(Joint::sequence, i);
                i = skipHereDocuments(i + 1);
            } else if (c == QLatin1Char(';')) {
                if (at(i + 1) == QLatin1Char(';') || at(i + 1) == QLatin1Char('&')) {
                    if (!stack.endsWith(QLatin1Char('c')))
                        return fail();
                    endCommand(Joint::sequence, i);
                    i += at(i + 2) == QLatin1Char('&') ? 3 : 2;
                } else {
                    endCommand(Joint::sequence, i);
                    ++i;
                }
            } else if (c == QLatin1Char('&') && at(i + 1) == QLatin1Char('&')) {
                endCommand(Joint::conditional, i);
                i += 2;
            } else if (c == QLatin1Char('&') && at(i + 1) == QLatin1Char('>')) {
                endWord();
                redirected = true;
                i += at(i + 2) == QLatin1Char('>') ? 3 : 2;
            } else if (c == QLatin1Char('&')) {
                endCommand(Joint::background, i);
                ++i;
            } else if (c == QLatin1Char('|')) {
                endCommand(at(i + 1) == QLatin1Char('|') ? Joint::conditional : Joint::pipe, i);
                i += at(i + 1) == QLatin1Char('|') || at(i + 1) == QLatin1Char('&') ? 2 : 1;
            } else if ((c == QLatin1Char('<') || c == QLatin1Char('>')) &&
                       at(i + 1) == QLatin1Char('(')) {
                const qsizetype from = i;
                i = run(i + 2, true);
                word += QStringView(text_).mid(from, i - from);
                inWord = true;
                plain = false;
            } else if (c == QLatin1Char('<') || c == QLatin1Char('>')) {
                endWord();
                if (c == QLatin1Char('<') && at(i + 1) == QLatin1Char('<') &&
                    at(i + 2) != QLatin1Char('<')) {
                    i = hereOperator(i + 2);
                    continue;
                }
                while (QStringView(u"<>&|").contains(at(i)))
                    ++i;
                redirected = true;
            } else if (c == QLatin1Char('(')) {
                static const QRegularExpression listAssignment(
                    QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*\\+?=$"));
                if (inWord && listAssignment.match(word).hasMatch()) {
                    const qsizetype from = i;
                    i = skipList(i + 1);
                    word += QStringView(text_).mid(from, i - from);
                } else if (const qsizetype close = closingAfterBlanks(i + 1);
                           close > 0 &&
                           ((inWord && isName(word)) ||
                            (!inWord && !compound && words.size() == 1 && isName(words.front())))) {
                    // "name()" or "name ( )": a function's definition; its body is the command
                    // after it.
                    word.clear();
                    inWord = false;
                    plain = true;
                    words.clear();
                    compound = true;
                    i = close + 1;
                } else {
                    endWord();
                    stack += QLatin1Char('(');
                    compound = true;
                    ++i;
                }
            } else if (c == QLatin1Char(')')) {
                endWord();
                if (stack.endsWith(QLatin1Char('('))) {
                    stack.chop(1);
                    compound = true;
                } else if (stack.endsWith(QLatin1Char('c'))) {
                    words.clear();  // the end of a pattern
                } else if (nested && stack.isEmpty()) {
                    endCommand(Joint::end, i);
                    return i + 1;
                } else {
                    return fail();
                }
                ++i;
            } else if (c == QLatin1Char('{') && !inWord &&
                       (words.isEmpty() ||
                        (words.size() == 2 && words.front() == QLatin1String("function"))) &&
                       QStringView(u" \t\n").contains(at(i + 1))) {
                words.clear();
                stack += QLatin1Char('{');
                compound = true;
                ++i;
            } else if (c == QLatin1Char('}') && !inWord && words.isEmpty() &&
                       stack.endsWith(QLatin1Char('{'))) {
                stack.chop(1);
                compound = true;
                ++i;
            } else {
                word += c;
                inWord = true;
                ++i;
            }
        }
        endWord();
        if (failed_)
            return text_.size();
        if (nested || !stack.isEmpty() || !pending_.isEmpty())
            return fail();
        endCommand(Joint::end, text_.size());
        return text_.size();
    }
};

QRegularExpression token(const QString& name) {
    return QRegularExpression(QStringLiteral("(?<![A-Za-z0-9_])") +
                              QRegularExpression::escape(name) +
                              QStringLiteral("(?![A-Za-z0-9_])"));
}

// Whether the text anywhere unsets `name` (or names computed when it runs), or declares it
// without -A, which inside a function makes a local name that is no associative array.
bool undone(const QString& text, const QString& name) {
    static const QRegularExpression unset(
        QStringLiteral("(?<![A-Za-z0-9_-])unset(?![A-Za-z0-9_-])([^;&|\\n]*)"));
    const QRegularExpression named = token(name);
    for (auto found = unset.globalMatch(text); found.hasNext();) {
        const QString rest = found.next().captured(1);
        if (rest.contains(QLatin1Char('$')) || rest.contains(QLatin1Char('`')) ||
            named.match(rest).hasMatch())
            return true;
    }
    static const QRegularExpression declaration(QStringLiteral(
        "(?<![A-Za-z0-9_-])(declare|typeset|local)((?:\\s+[-+][A-Za-z]+)*)\\s+([^;&|\\n]*)"));
    for (auto found = declaration.globalMatch(text); found.hasNext();) {
        const QRegularExpressionMatch match = found.next();
        if (!match.captured(2).contains(QLatin1Char('A')) &&
            named.match(match.captured(3)).hasMatch())
            return true;
    }
    return false;
}

}  // namespace

ShellAssociativeArrays ShellAssociativeArrays::declaredIn(const QString& text) {
    ShellAssociativeArrays arrays;
    for (const Declaration& declaration : TopLevel(text).declarations()) {
        if (arrays.from_.contains(declaration.name))
            continue;
        // Anything the text does with the name before may have made it an indexed array, over
        // which bash refuses the declaration.
        const QRegularExpressionMatch first = token(declaration.name).match(text);
        if (first.capturedStart() < declaration.start || undone(text, declaration.name))
            continue;
        arrays.from_.insert(declaration.name, declaration.end);
    }
    return arrays;
}

bool ShellAssociativeArrays::holdsAt(const QString& name, qsizetype position) const {
    const auto found = from_.constFind(name);
    return found != from_.cend() && position >= *found;
}
