#include "Actions/ShellWordPieces.h"

#include <QRegularExpression>
#include <algorithm>

#include "Actions/ShellCommandReader.h"
#include "Actions/ShellWords.h"

namespace ShellWordPieces {

namespace {

using ShellWords::isNameStart;
using ShellWords::nameLength;

// The end of the "{…}" that opens at `i` when bash expands it as braces (a "," or ".." at its
// own level, outside quotes and expansions), with its elements; none for a plain "{".
struct Braces {
    qsizetype end = 0;
    QStringList elements;
    bool sequence = false;
};

std::optional<Braces> bracesAt(const QString& word, qsizetype i) {
    Braces braces;
    int depth = 0;
    qsizetype start = i + 1;
    for (qsizetype j = i; j < word.size(); ++j) {
        const QChar c = word[j];
        const QChar next = j + 1 < word.size() ? word[j + 1] : QChar();
        if (c == QLatin1Char('\\')) {
            ++j;
        } else if (c == QLatin1Char('\'')) {
            const qsizetype close = word.indexOf(QLatin1Char('\''), j + 1);
            if (close < 0)
                return std::nullopt;
            j = close;
        } else if (c == QLatin1Char('"')) {
            for (++j; j < word.size() && word[j] != QLatin1Char('"'); ++j) {
                if (word[j] == QLatin1Char('\\'))
                    ++j;
            }
        } else if (c == QLatin1Char('$') &&
                   (next == QLatin1Char('{') || next == QLatin1Char('('))) {
            j = ShellValueFlow::skipNested(word, j + 2, next) - 1;
        } else if (c == QLatin1Char('{')) {
            ++depth;
        } else if (c == QLatin1Char('}')) {
            if (--depth == 0) {
                if (braces.elements.isEmpty() && !braces.sequence)
                    return std::nullopt;
                braces.elements.append(word.mid(start, j - start));
                braces.end = j + 1;
                return braces;
            }
        } else if (depth == 1 && c == QLatin1Char(',')) {
            braces.elements.append(word.mid(start, j - start));
            start = j + 1;
        } else if (depth == 1 && c == QLatin1Char('.') && next == QLatin1Char('.')) {
            braces.sequence = true;
        }
    }
    return std::nullopt;
}

class Reader {
public:
    Reader(const ShellValueFlow::Flow& flow, const Context& context, qsizetype& substitution)
        : flow_(flow), context_(context), substitution_(substitution) {}

    QList<Piece> read(const QString& word);

private:
    // Text inside '…': where the template read whole has a placeholder there, bash gets the
    // value (the script closes the quotes around it).
    void quoted(const QString& characters) {
        static const QRegularExpression reference(QStringLiteral("\\$\\{tavrin_value_([0-9]+)\\}"));
        qsizetype from = 0;
        for (auto found = reference.globalMatch(characters); found.hasNext();) {
            const QRegularExpressionMatch match = found.next();
            text(characters.mid(from, match.capturedStart() - from));
            Piece value;
            value.kind = Piece::Kind::value;
            value.value = match.captured(1).toLongLong();
            pieces_.append(value);
            from = match.capturedEnd();
        }
        text(characters.mid(from));
    }
    void text(const QString& characters) {
        if (characters.isEmpty())
            return;
        if (pieces_.isEmpty() || pieces_.last().kind != Piece::Kind::text)
            pieces_.append(Piece{});
        pieces_.last().text += characters;
    }
    Splitting splitting(bool elements) const {
        if (elements)
            return Splitting::elements;
        if (inDouble_)
            return Splitting::none;
        return context_.separators ? Splitting::anywhere : Splitting::blanks;
    }
    void expansion(Values given, Values changed, bool mayBeEmpty = true, bool elements = false) {
        Piece piece;
        piece.given = std::move(given);
        piece.changed = std::move(changed);
        expanded(piece, mayBeEmpty, elements);
    }
    void expanded(Piece piece, bool mayBeEmpty, bool elements) {
        piece.kind = Piece::Kind::expansion;
        piece.mayBeEmpty = mayBeEmpty;
        piece.splitting = splitting(elements);
        pieces_.append(piece);
    }
    // Text bash computes that no value makes: a number, a path, a pattern's matches.
    void computed(bool mayBeEmpty) { expansion({}, {}, mayBeEmpty); }
    // A variable as it is: what it holds as given, changed and line by line.
    void variable(Piece& piece, const QString& name) const {
        piece.given |= flow_.valuesOf(name);
        piece.changed |= flow_.changedOf(name);
        piece.lines |= flow_.linesOf(name);
        piece.fields |= flow_.fieldsOf(name);
        piece.given -= piece.lines | piece.fields;
    }
    Piece braced(QStringView whole, const QString& content) const;
    qsizetype dollar(const QString& word, qsizetype i);

    const ShellValueFlow::Flow& flow_;
    const Context& context_;
    qsizetype& substitution_;
    QList<Piece> pieces_;
    bool inDouble_ = false;
};

// "${name}", "${name[…]}" and the defaults give the variable as it is, a default also what its
// word brings; "${name%suffix}" the beginning of what it holds where the pattern is the
// template's plain text; "${!#}" the last positional parameter. Every other operator and an
// indirection make text from what they read.
Piece Reader::braced(QStringView whole, const QString& content) const {
    static const QRegularExpression head(QStringLiteral(
        "^(tavrin_value_[0-9]{1,9}|[A-Za-z_][A-Za-z0-9_]*|[0-9]+|[@*#?$!-])(\\[[^\\]]*\\])?"));
    static const QRegularExpression defaultOperator(QStringLiteral("^:?[-=?+]"));
    static const QRegularExpression names(
        QStringLiteral("\\$\\{?[#!]?([A-Za-z_][A-Za-z0-9_]*|[0-9]+|[@*])"));
    // A pattern of plain characters and "*" and "?" only, whose matches can be told here.
    static const QRegularExpression plainSuffix(
        QStringLiteral("^(%%?)([^\\\\'\"$`()|\\[\\]{}@!+]*)$"));
    Piece piece;
    if (content == QLatin1String("!#")) {
        variable(piece, QStringLiteral("@"));
        return piece;
    }
    const QRegularExpressionMatch match = head.match(content);
    const QStringView rest = QStringView(content).mid(match.capturedLength());
    const QRegularExpressionMatch op = defaultOperator.match(rest);
    if (match.hasMatch() && !content.startsWith(QLatin1Char('!')) &&
        (rest.isEmpty() || op.hasMatch())) {
        variable(piece, match.captured(1));
        if (op.hasMatch())
            carried(Reader(flow_, context_, substitution_)
                        .read(rest.mid(op.capturedLength()).toString()),
                    piece.given, piece.changed);
        return piece;
    }
    if (const QRegularExpressionMatch suffix = plainSuffix.match(rest);
        match.hasMatch() && !content.startsWith(QLatin1Char('!')) && suffix.hasMatch() &&
        !suffix.captured(2).isEmpty()) {
        variable(piece, match.captured(1));
        piece.suffix = suffix.captured(2);
        piece.longest = suffix.captured(1).size() == 2;
        return piece;
    }
    piece.changed |= flow_.valuesIn(whole, context_.input);
    const QString text = whole.toString();
    for (auto found = names.globalMatch(text); found.hasNext();)
        piece.changed |= flow_.changedOf(found.next().captured(1));
    return piece;
}

// A "$" at `i`: an expansion, or a plain "$"; the position after it.
qsizetype Reader::dollar(const QString& word, qsizetype i) {
    static const QRegularExpression reference(QStringLiteral("\\$\\{tavrin_value_([0-9]+)\\}"));
    const QStringView rest = QStringView(word).mid(i);
    if (const QRegularExpressionMatch match =
            reference.match(word, i, QRegularExpression::NormalMatch,
                            QRegularExpression::AnchorAtOffsetMatchOption);
        match.hasMatch()) {
        Piece piece;
        piece.kind = Piece::Kind::value;
        piece.value = match.captured(1).toLongLong();
        pieces_.append(piece);
        return i + match.capturedLength();
    }
    const QChar next = i + 1 < word.size() ? word[i + 1] : QChar();
    if (rest.startsWith(u"$((")) {
        // A number the template computes.
        int depth = 0;
        qsizetype j = i + 1;
        for (; j < word.size(); ++j) {
            if (word[j] == QLatin1Char('('))
                ++depth;
            else if (word[j] == QLatin1Char(')') && --depth == 0)
                break;
        }
        computed(false);
        return std::min(j + 1, word.size());
    }
    if (next == QLatin1Char('(')) {
        if (context_.substitutions) {
            expansion({}, context_.substitutions->value(substitution_++));
            return i + 2;
        }
        const qsizetype end = ShellValueFlow::skipNested(word, i + 2, QLatin1Char('('));
        if (ShellWords::printsANumber(
                QStringView(word).mid(i + 2, std::max<qsizetype>(end - i - 3, 0))))
            computed(false);  // a number, whatever it reads
        else
            expansion({}, flow_.valuesIn(QStringView(word).mid(i, end - i), context_.input));
        return end;
    }
    if (next == QLatin1Char('{')) {
        const qsizetype end = ShellValueFlow::skipNested(word, i + 2, QLatin1Char('{'));
        const QString content = word.mid(i + 2, std::max<qsizetype>(end - i - 3, 0));
        if (content.size() > 1 && content.startsWith(QLatin1Char('#'))) {
            computed(false);  // a length
            return end;
        }
        const bool elements = inDouble_ && (content.startsWith(QLatin1Char('@')) ||
                                            content.contains(QLatin1String("[@]")));
        expanded(braced(QStringView(word).mid(i, end - i), content), true, elements);
        return end;
    }
    if (isNameStart(next) || next.isDigit() || next == QLatin1Char('@') ||
        next == QLatin1Char('*')) {
        const qsizetype length = isNameStart(next) ? nameLength(rest.mid(1)) : 1;
        const QString name = word.mid(i + 1, length);
        Piece piece;
        variable(piece, name);
        expanded(piece, true, inDouble_ && name == QLatin1String("@"));
        return i + 1 + length;
    }
    if (next == QLatin1Char('!')) {
        computed(true);  // the last background job's number: nothing when there is none
        return i + 2;
    }
    if (QStringView(u"$?#-").contains(next)) {
        computed(false);
        return i + 2;
    }
    text(QStringLiteral("$"));
    return i + 1;
}

QList<Piece> Reader::read(const QString& word) {
    qsizetype i = 0;
    while (i < word.size()) {
        const QChar c = word[i];
        const QChar next = i + 1 < word.size() ? word[i + 1] : QChar();
        const QStringView rest = QStringView(word).mid(i);
        if (c == QLatin1Char('"')) {
            inDouble_ = !inDouble_;
            ++i;
        } else if (rest.startsWith(u"\\\n")) {
            i += 2;  // a line continuation
        } else if (c == QLatin1Char('\\')) {
            if (next.isNull()) {
                text(QStringLiteral("\\"));
                ++i;
                continue;
            }
            // Inside "…" a backslash escapes only what "…" gives a meaning.
            if (inDouble_ && !QStringView(u"$`\"\\").contains(next))
                text(QStringLiteral("\\"));
            text(QString(next));
            i += 2;
        } else if (c == QLatin1Char('\'') && !inDouble_) {
            const qsizetype end = word.indexOf(QLatin1Char('\''), i + 1);
            quoted(word.mid(i + 1, (end < 0 ? word.size() : end) - i - 1));
            i = end < 0 ? word.size() : end + 1;
        } else if (rest.startsWith(u"$'") && !inDouble_) {
            const qsizetype end = ShellValueFlow::skipEscaped(word, i + 2, QLatin1Char('\''));
            const QString content = word.mid(i + 2, std::max<qsizetype>(end - i - 3, 0));
            // Without escapes it is the text it shows; "\c@" or "\x00" may end it at once.
            if (!content.contains(QLatin1Char('\\')))
                text(content);
            else
                computed(content.startsWith(QLatin1Char('\\')));
            i = end;
        } else if (rest.startsWith(u"$\"") && !inDouble_) {
            ++i;  // $"…" is "…", perhaps translated
        } else if (c == QLatin1Char('$')) {
            i = dollar(word, i);
        } else if (c == QLatin1Char('`')) {
            const qsizetype end = ShellValueFlow::skipEscaped(word, i + 1, QLatin1Char('`'));
            expansion({}, flow_.valuesIn(QStringView(word).mid(i, end - i)));
            i = end;
        } else if (inDouble_) {
            text(QString(c));
            ++i;
        } else if ((c == QLatin1Char('<') || c == QLatin1Char('>')) && next == QLatin1Char('(')) {
            // A process substitution's path; the template reader reads its commands apart.
            if (context_.substitutions) {
                computed(false);
                i += 2;
            } else {
                const qsizetype end = ShellValueFlow::skipNested(word, i + 2, QLatin1Char('('));
                expansion({}, flow_.valuesIn(QStringView(word).mid(i, end - i), context_.input),
                          false);
                i = end;
            }
        } else if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('[')) {
            // A pattern may match file names, or nothing; a name a value made is among them.
            expansion(flow_.named, {}, c != QLatin1Char('['));
            ++i;
        } else if (c == QLatin1Char('~') && pieces_.isEmpty()) {
            computed(false);  // a home folder
            ++i;
        } else if (c == QLatin1Char('(')) {
            // An extended pattern ("@(a|b)"): the reader refuses values inside it.
            computed(true);
            i = ShellValueFlow::skipNested(word, i + 1, QLatin1Char('('));
        } else if (const auto braces = c == QLatin1Char('{') ? bracesAt(word, i) : std::nullopt) {
            if (braces->sequence) {
                // "{1..5}": text the template makes, from a value inside too.
                expansion({}, flow_.valuesIn(QStringView(word).mid(i, braces->end - i)), false);
            } else {
                Piece piece;
                piece.kind = Piece::Kind::braces;
                for (const QString& element : braces->elements)
                    piece.alternatives.append(Reader(flow_, context_, substitution_).read(element));
                pieces_.append(piece);
            }
            i = braces->end;
        } else {
            text(QString(c));
            ++i;
        }
    }
    return pieces_;
}

// xargs puts each line of its input where its arguments hold the replace string.
QList<Piece> replaced(const QList<Piece>& pieces, const Context& context) {
    QList<Piece> result;
    for (const Piece& piece : pieces) {
        if (piece.kind != Piece::Kind::text || !piece.text.contains(context.replace)) {
            result.append(piece);
            continue;
        }
        const QStringList parts = piece.text.split(context.replace);
        for (qsizetype k = 0; k < parts.size(); ++k) {
            if (k > 0) {
                Piece line;
                line.kind = Piece::Kind::expansion;
                line.lines = context.replaceGiven;  // xargs -I takes its input line by line
                line.changed = context.replaceChanged;
                line.templateText = false;
                result.append(line);
            }
            if (!parts[k].isEmpty())
                result.append(Piece{Piece::Kind::text, parts[k]});
        }
    }
    return result;
}

}  // namespace

Piece fromOutside(const Values& given, const Values& changed, Splitting splitting) {
    Piece piece;
    piece.kind = Piece::Kind::expansion;
    piece.given = given;
    piece.changed = changed;
    piece.splitting = splitting;
    piece.mayBeEmpty = false;
    piece.templateText = false;
    return piece;
}

QList<Piece> read(const QString& word, const ShellValueFlow::Flow& flow, const Context& context) {
    qsizetype substitution = 0;
    const QList<Piece> pieces = Reader(flow, context, substitution).read(word);
    return context.replace.isEmpty() ? pieces : replaced(pieces, context);
}

void carried(const QList<Piece>& pieces, Values& given, Values& changed, Values& lines,
             Values& fields) {
    for (const Piece& piece : pieces) {
        if (piece.kind == Piece::Kind::value)
            given.insert(piece.value);
        given |= piece.given;
        changed |= piece.changed;
        lines |= piece.lines;
        fields |= piece.fields;
        if (!piece.suffix.isEmpty())
            changed |= piece.given;
        for (const QList<Piece>& element : piece.alternatives)
            carried(element, given, changed, lines, fields);
    }
}

void carried(const QList<Piece>& pieces, Values& given, Values& changed) {
    Values lines;
    Values fields;
    carried(pieces, given, changed, lines, fields);
    given |= lines | fields;
    changed |= lines | fields;
}

bool carriesValues(const QList<Piece>& pieces) {
    return std::any_of(pieces.cbegin(), pieces.cend(), [](const Piece& piece) {
        return piece.kind == Piece::Kind::value || !piece.given.isEmpty() ||
               !piece.changed.isEmpty() || !piece.lines.isEmpty() || !piece.fields.isEmpty() ||
               std::any_of(piece.alternatives.cbegin(), piece.alternatives.cend(),
                           [](const QList<Piece>& element) { return carriesValues(element); });
    });
}

}  // namespace ShellWordPieces
