#include "Memory/MemoryCommand.h"

#include <QStringList>

#include "Platform/Characters.h"

namespace MemoryCommand {

namespace {

// Tried in order; a longer phrase stands before every shorter one it begins with, so that the
// whole phrase is removed.
const QStringList& triggerPhrases() {
    static const QStringList phrases = {
        QStringLiteral("merk dir bitte"),    QStringLiteral("merke dir bitte"),
        QStringLiteral("bitte merk dir"),    QStringLiteral("bitte merke dir"),
        QStringLiteral("merk dir"),          QStringLiteral("merke dir"),
        QStringLiteral("notier dir"),        QStringLiteral("notiere dir"),
        QStringLiteral("remember that"),     QStringLiteral("remember:"),
        QStringLiteral("please remember"),   QStringLiteral("remember"),
        QStringLiteral("keep in mind that"), QStringLiteral("keep in mind"),
        QStringLiteral("recuerda que"),      QStringLiteral("recuerda"),
        QStringLiteral("retiens que"),       QStringLiteral("retiens"),
        QStringLiteral("souviens-toi que"),  QStringLiteral("ricorda che"),
        QStringLiteral("ricorda"),           QStringLiteral("onthoud dat"),
        QStringLiteral("onthoud"),           QStringLiteral("lembre-se de que"),
        QStringLiteral("lembre que"),        QStringLiteral("lembre-se"),
    };
    return phrases;
}

// Notes that only point back at something ("merk dir das") and carry nothing of their own.
const QStringList& fillerNotes() {
    static const QStringList fillers = {
        QStringLiteral("für später"), QStringLiteral("for later"),
        QStringLiteral("bitte"),      QStringLiteral("please"),
        QStringLiteral("das"),        QStringLiteral("this"),
        QStringLiteral("that"),       QString(),
    };
    return fillers;
}

// "merk dir das als Aktion" asks the model to learn an action from what the user just did,
// which the system prompt tells it to do; kept as a note it would be lost. These are the
// whole notes that say "as an action", after an optional word pointing back at it ("this
// as an action"); German "das" is gone already with the leading "das"/"dass".
const QStringList& actionRequests() {
    static const QStringList requests = {
        QStringLiteral("als aktion"),       QStringLiteral("als eine aktion"),
        QStringLiteral("as an action"),     QStringLiteral("as action"),
        QStringLiteral("como una acción"),  QStringLiteral("como acción"),
        QStringLiteral("comme une action"), QStringLiteral("comme action"),
        QStringLiteral("come un'azione"),   QStringLiteral("come un’azione"),
        QStringLiteral("come azione"),      QStringLiteral("als een actie"),
        QStringLiteral("als actie"),        QStringLiteral("como uma ação"),
        QStringLiteral("como ação"),
    };
    return requests;
}

const QStringList& pointingWords() {
    static const QStringList words = {
        QStringLiteral("dies"),   QStringLiteral("this"), QStringLiteral("that"),
        QStringLiteral("it"),     QStringLiteral("esto"), QStringLiteral("eso"),
        QStringLiteral("ça"),     QStringLiteral("ceci"), QStringLiteral("cela"),
        QStringLiteral("questo"), QStringLiteral("dit"),  QStringLiteral("dat"),
        QStringLiteral("isso"),   QStringLiteral("isto"), QStringLiteral("disso"),
        QStringLiteral("disto"),
    };
    return words;
}

bool isActionRequest(const QString& comparable) {
    if (actionRequests().contains(comparable))
        return true;
    const qsizetype space = comparable.indexOf(QLatin1Char(' '));
    return space > 0 && pointingWords().contains(comparable.left(space)) &&
           actionRequests().contains(comparable.mid(space + 1));
}

// The request alone, or the request naming the action after a colon ("als Aktion: Befehl
// ausführen"): the name is the model's to use, not a note beside the request.
bool asksForAnAction(const QString& comparable) {
    const qsizetype colon = comparable.indexOf(QLatin1Char(':'));
    return isActionRequest(colon < 0 ? comparable : comparable.left(colon).trimmed());
}

QString trimmedOf(const QString& text, const QString& set) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && set.contains(text.at(begin)))
        ++begin;
    while (end > begin && set.contains(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// The phrase must end between two characters: "merk dir" followed by a combining accent on
// the "r" is a different word, not the phrase.
std::optional<QString> matchingPhrase(const QString& lowered) {
    for (const QString& phrase : triggerPhrases()) {
        if (lowered.startsWith(phrase) && Characters::isBoundary(lowered, phrase.size()))
            return phrase;
    }
    return std::nullopt;
}

}  // namespace

std::optional<QString> note(const QString& instruction) {
    const QString text = instruction.trimmed();
    const std::optional<QString> phrase = matchingPhrase(text.toLower());
    if (!phrase)
        return std::nullopt;

    // The phrase is plain ASCII, one character per letter.
    QString rest = Characters::dropPrefix(text, phrase->size());
    rest = trimmedOf(rest, QStringLiteral(" :,.-\u2013")).trimmed();

    const QString lowered = rest.toLower();
    if (lowered.startsWith(QLatin1String("das ")) || lowered.startsWith(QLatin1String("dass ")))
        rest = trimmedOf(rest.mid(rest.indexOf(QLatin1Char(' '))), QStringLiteral(" \t"));

    const QString comparable =
        trimmedOf(rest.toLower(), QStringLiteral(" .!")).normalized(QString::NormalizationForm_C);
    if (fillerNotes().contains(comparable))
        return QString();
    if (asksForAnAction(comparable))
        return std::nullopt;

    const QString first = Characters::prefix(rest, 1);
    return first.toUpper() + rest.mid(first.size());
}

}  // namespace MemoryCommand
