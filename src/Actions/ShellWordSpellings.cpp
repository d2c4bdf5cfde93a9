#include <QRegularExpression>
#include <algorithm>

#include "Actions/ShellWordPieces.h"

// The words bash may make of a word's pieces with the values a run has.

namespace ShellWordPieces {

namespace {

// Where bash cuts a value's text into words: the parts, and whether it begins and ends with a
// cut.
struct Cut {
    QStringList parts;
    bool before = false;
    bool after = false;
};

Cut cut(const QString& text, Splitting splitting) {
    static const QRegularExpression blanks(QStringLiteral("[ \\t\\n]+"));
    static const QRegularExpression beforeSign(QStringLiteral("(?=[-+])"));
    // A "-" or "+" after anything but a letter or digit: a quote xargs removes may stand there.
    static const QRegularExpression quoteBeforeSign(QStringLiteral("(?<=[^\\w])(?=[-+])"),
                                                    QRegularExpression::UseUnicodePropertiesOption);
    Cut result;
    if (splitting == Splitting::elements) {
        result.parts = {text};
        result.before = result.after = true;
        return result;
    }
    QString spaced = text;
    if (splitting == Splitting::anywhere)
        spaced.replace(beforeSign, QStringLiteral(" "));
    else if (splitting == Splitting::quoting)
        spaced.replace(quoteBeforeSign, QStringLiteral(" "));
    result.parts = spaced.split(blanks, Qt::SkipEmptyParts);
    const QRegularExpressionMatch first = blanks.match(spaced);
    result.before = first.hasMatch() && first.capturedStart() == 0;
    result.after = !spaced.isEmpty() && QStringView(u" \t\n").contains(spaced.back());
    return result;
}

using Spelling = QList<Word>;

void breakWord(Spelling& spelling) {
    if (!spelling.last().isEmpty())
        spelling.append(Word{});
}

// Appends `text` (a value's, or `value` 0 for the template's) cut as `splitting` cuts it.
void appendText(Spelling& spelling, const QString& text, qsizetype value, Splitting splitting) {
    if (splitting == Splitting::none) {
        spelling.last().append(Segment{text, value});
        return;
    }
    const Cut pieces = cut(text, splitting);
    if (pieces.before)
        breakWord(spelling);
    for (qsizetype k = 0; k < pieces.parts.size(); ++k) {
        if (k > 0)
            breakWord(spelling);
        spelling.last().append(Segment{pieces.parts[k], value});
    }
    if (pieces.after)
        breakWord(spelling);
}

// The ways an expansion may be spelled after `spelling`: text made from what it carries, each
// value it carries, nothing, text of the template's own.
// A value's text without the end `pattern` matches, the shortest or the longest; none where
// the text is too long to try every end of.
std::optional<QString> withoutSuffix(const QString& text, const QString& pattern, bool longest) {
    if (text.size() > 4096)
        return std::nullopt;
    QString expression = QRegularExpression::escape(pattern);
    expression.replace(QStringLiteral("\\*"), QStringLiteral(".*"));
    expression.replace(QStringLiteral("\\?"), QStringLiteral("."));
    const QRegularExpression suffix(QRegularExpression::anchoredPattern(expression),
                                    QRegularExpression::DotMatchesEverythingOption);
    for (qsizetype k = 0; k <= text.size(); ++k) {
        const qsizetype cut = longest ? k : text.size() - k;
        if (suffix.match(QStringView(text).mid(cut)).hasMatch())
            return text.left(cut);
    }
    return text;
}

// Whether bash, after splitting, reads a value's text as a pattern that may match file names.
bool isPattern(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("[*?\\[]|[@!+]\\("));
    return pattern.match(text).hasMatch();
}

// The ways an expansion may be spelled after `spelling`: text made from what it carries, each
// value it carries (whole, or any one of its lines), nothing, text of the template's own.
QList<Spelling> expand(const Spelling& spelling, const Piece& piece, const QStringList& texts) {
    // The texts each value may give here, and the values whose text may be any names of the
    // folder or is not known: made from them.
    QList<std::pair<qsizetype, QString>> spelled;
    Values made = piece.changed;
    const bool splits =
        piece.splitting == Splitting::blanks || piece.splitting == Splitting::anywhere;
    const auto add = [&](qsizetype value, const QString& text) {
        const std::optional<QString> kept =
            piece.suffix.isEmpty() ? text : withoutSuffix(text, piece.suffix, piece.longest);
        if (!kept || (splits && isPattern(*kept)))
            made.insert(value);
        if (kept)
            spelled.append({value, *kept});
    };
    QList<qsizetype> given(piece.given.cbegin(), piece.given.cend());
    QList<qsizetype> lines(piece.lines.cbegin(), piece.lines.cend());
    std::sort(given.begin(), given.end());
    std::sort(lines.begin(), lines.end());
    for (const qsizetype value : given) {
        if (value >= 1 && value <= texts.size())
            add(value, texts[value - 1]);
    }
    for (const qsizetype value : lines) {
        if (value < 1 || value > texts.size())
            continue;
        for (const QString& line : texts[value - 1].split(QLatin1Char('\n')))
            add(value, line);
    }
    // A word bash split off a value, or a name it matched as a pattern.
    QList<qsizetype> fields(piece.fields.cbegin(), piece.fields.cend());
    std::sort(fields.begin(), fields.end());
    static const QRegularExpression blanks(QStringLiteral("[ \\t\\n]+"));
    for (const qsizetype value : fields) {
        if (value < 1 || value > texts.size())
            continue;
        for (const QString& field : texts[value - 1].split(blanks, Qt::SkipEmptyParts)) {
            add(value, field);
            if (isPattern(field))
                made.insert(value);
        }
    }
    QList<Spelling> ways;
    if (!made.isEmpty()) {
        Spelling joined = spelling;
        joined.last().append(Segment{{}, 0, true, made});
        ways.append(joined);
        if (piece.splitting != Splitting::none) {
            breakWord(joined);
            joined.last().append(Segment{{}, 0, true, made});
            ways.append(joined);
        }
    }
    for (const auto& [value, text] : std::as_const(spelled)) {
        Spelling way = spelling;
        appendText(way, text, value, piece.splitting);
        if (!ways.contains(way))
            ways.append(way);
    }
    if (piece.mayBeEmpty)
        ways.append(spelling);
    if (piece.templateText) {
        Spelling opaque = spelling;
        opaque.last().append(Segment{{}, 0, true, {}});
        ways.append(opaque);
    }
    return ways;
}

// Past this many ways a word counts as text made from every value it may carry, which may be
// anything: the worst it can be.
constexpr qsizetype mostWays = 1024;

// The worst of a word: text made from every value it may carry, also as a word after the first.
QList<Spelling> worst(const QList<Piece>& pieces) {
    Values given;
    Values changed;
    carried(pieces, given, changed);
    const Word made{Segment{{}, 0, true, given | changed}};
    return {Spelling{made, made}};
}

// The words brace expansion makes of `pieces`, in order: each element with the text around
// the braces; none past the bound.
std::optional<QList<QList<Piece>>> braceWords(const QList<Piece>& pieces) {
    QList<QList<Piece>> words = {{}};
    for (const Piece& piece : pieces) {
        if (piece.kind != Piece::Kind::braces) {
            for (QList<Piece>& word : words)
                word.append(piece);
            continue;
        }
        QList<QList<Piece>> next;
        for (const QList<Piece>& element : piece.alternatives) {
            const std::optional<QList<QList<Piece>>> inner = braceWords(element);
            if (!inner)
                return std::nullopt;
            for (const QList<Piece>& word : std::as_const(words)) {
                for (const QList<Piece>& part : *inner)
                    next.append(word + part);
            }
            if (next.size() > mostWays)
                return std::nullopt;
        }
        words = std::move(next);
    }
    return words;
}

// The ways of a word without braces; none past the bound.
std::optional<QList<Spelling>> spell(const QList<Piece>& pieces, const QStringList& texts) {
    QList<Spelling> ways = {Spelling{Word{}}};
    for (const Piece& piece : pieces) {
        QList<Spelling> next;
        for (const Spelling& spelling : std::as_const(ways)) {
            if (piece.kind == Piece::Kind::expansion) {
                next += expand(spelling, piece, texts);
            } else {
                Spelling spelled = spelling;
                if (piece.kind == Piece::Kind::text)
                    spelled.last().append(Segment{piece.text});
                else if (piece.value >= 1 && piece.value <= texts.size())
                    spelled.last().append(Segment{texts[piece.value - 1], piece.value});
                next.append(spelled);
            }
            if (next.size() > mostWays)
                return std::nullopt;
        }
        ways = std::move(next);
    }
    return ways;
}

}  // namespace

QList<QList<Word>> spellings(const QList<Piece>& pieces, const QStringList& texts) {
    // bash expands braces first: every word after the first stands where the command's next
    // word does, so each is spelled after one way of the first.
    std::optional<QList<Spelling>> ways = QList<Spelling>{};
    const std::optional<QList<QList<Piece>>> words = braceWords(pieces);
    if (!words)
        ways.reset();
    for (qsizetype j = 0; ways && j < words->size(); ++j) {
        const std::optional<QList<Spelling>> spelled = spell(words->at(j), texts);
        if (!spelled || ways->size() + spelled->size() > mostWays) {
            ways.reset();
            break;
        }
        const Spelling first = ways->isEmpty() ? Spelling{} : ways->first();
        for (const Spelling& spelling : *spelled)
            ways->append(first + spelling);
    }
    QList<Spelling> result = ways ? *ways : worst(pieces);
    for (QList<Word>& way : result) {
        way.removeIf([](const Word& word) { return word.isEmpty(); });
    }
    return result;
}

}  // namespace ShellWordPieces
