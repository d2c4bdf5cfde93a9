#include <QRegularExpression>
#include <QSet>
#include <optional>

#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

// Words a command may read as options: a value that begins with "-" must not turn into one.

using namespace ShellWords;

namespace {

// The option that takes the next word as its argument, per program: there a value is the
// argument even when it begins with "-" (a commit message "- Tippfehler behoben").
bool takesNextWord(const QString& program, const QString& option) {
    static const QSet<QString> git = {QStringLiteral("-m"),      QStringLiteral("--message"),
                                      QStringLiteral("-am"),     QStringLiteral("-C"),
                                      QStringLiteral("-b"),      QStringLiteral("-B"),
                                      QStringLiteral("--author")};
    static const QSet<QString> gh = {
        QStringLiteral("-t"),         QStringLiteral("--title"), QStringLiteral("-b"),
        QStringLiteral("--body"),     QStringLiteral("-R"),      QStringLiteral("--repo"),
        QStringLiteral("-l"),         QStringLiteral("--label"), QStringLiteral("-a"),
        QStringLiteral("--assignee"), QStringLiteral("-B"),      QStringLiteral("--base"),
        QStringLiteral("-H"),         QStringLiteral("--head")};
    if (program == QLatin1String("git"))
        return git.contains(option);
    if (program == QLatin1String("gh"))
        return gh.contains(option);
    return false;
}

// Where a value standing alone as the word after `words` would be read as an option if it
// began with "-": none when it is the command word, an assignment, a word of a shell
// keyword, after "--", after printf's format, or the argument of an option that takes one.
// echo reads only "-n", "-e", "-E" and their combinations as options.
std::optional<bool> optionPlace(const QStringList& words) {
    const qsizetype index = commandIndex(words);
    if (index < 0)
        return std::nullopt;
    const QString word = unquoted(words[index]);
    const QString command = word.mid(word.lastIndexOf(QLatin1Char('/')) + 1);
    static const QSet<QString> keywords = {
        QStringLiteral("[["),      QStringLiteral("for"),     QStringLiteral("select"),
        QStringLiteral("case"),    QStringLiteral("in"),      QStringLiteral("function"),
        QStringLiteral("export"),  QStringLiteral("local"),   QStringLiteral("declare"),
        QStringLiteral("typeset"), QStringLiteral("readonly")};
    if (keywords.contains(command))
        return std::nullopt;
    QStringList arguments;
    for (qsizetype i = index + 1; i < words.size(); ++i)
        arguments.append(unquoted(words[i]));
    if (arguments.contains(QLatin1String("--")))
        return std::nullopt;
    if (command == QLatin1String("echo"))
        return true;
    if (command == QLatin1String("printf")) {
        qsizetype k = 0;
        while (k < arguments.size() && arguments[k].startsWith(QLatin1Char('-')))
            k += arguments[k] == QLatin1String("-v") ? 2 : 1;
        if (k < arguments.size())
            return std::nullopt;  // the format came: printf takes no options after it
        return false;
    }
    if (!arguments.isEmpty() && takesNextWord(command, arguments.last()))
        return std::nullopt;
    return false;
}

}  // namespace

// A word that begins with values may be read as an option by the command.
void ShellTemplateReader::noteLeadingValues(const Frame& frame) {
    if (frame.conditional)
        return;
    static const QRegularExpression leading(
        QStringLiteral("^(?:['\"]|\\$\\{tavrin_value_[0-9]+\\})+"));
    static const QRegularExpression reference(QStringLiteral("tavrin_value_([0-9]+)"));
    const QRegularExpressionMatch match = leading.match(frame.word);
    if (!match.hasMatch())
        return;
    OptionSpot spot;
    for (auto found = reference.globalMatch(match.captured()); found.hasNext();)
        spot.numbers.append(found.next().captured(1).toLongLong());
    if (spot.numbers.isEmpty())
        return;
    const QStringView rest = QStringView(frame.word).mid(match.capturedLength());
    spot.alone = std::all_of(rest.begin(), rest.end(), [](QChar c) {
        return c == QLatin1Char('"') || c == QLatin1Char('\'');
    });
    if (const std::optional<bool> echoOnly = optionPlace(frame.words)) {
        spot.echoOnly = *echoOnly;
        optionSpots_.append(spot);
    }
}
