#include "Voice/DictationCommands.h"

#include <QSet>
#include <QStringList>

namespace DictationCommands {

namespace {

const QString kWakeWord = QStringLiteral("tavrin");

const QSet<QString>& questionWords() {
    static const QSet<QString> words = {
        "wie",    "was",     "warum",   "wieso",   "weshalb", "wer",      "wo",
        "wann",   "welche",  "welcher", "welches", "welchen", "kannst",   "könntest",
        "erklär", "erkläre", "fass",    "findest", "meinst",  "hältst",   "ist",
        "sind",   "gibt",    "soll",    "sollte",  "what",    "why",      "how",
        "who",    "where",   "when",    "which",   "can",     "could",    "is",
        "are",    "do",      "does",    "should",  "explain", "summarize"};
    return words;
}

// Trailing spaces belong to a phrase: "write a " matches only before another word.
const QStringList& requestHints() {
    static const QStringList hints = {
        "schreib mir",    "schreibe mir",  "schreib uns",     "schreib einen",   "schreib eine",
        "schreibe einen", "schreibe eine", "schreib ein ",    "schreibe ein ",   "verfass",
        "entwirf",        "entwerf",       "erstell mir",     "erstelle mir",    "erstell einen",
        "erstelle einen", "erstell eine",  "erstelle eine",   "generier",        "formulier mir",
        "formuliere mir", "mach mir",      "kannst du mir",   "könntest du mir", "kannst du ein",
        "kannst du eine", "hilf mir",      "fass zusammen",   "fasse zusammen",  "write me",
        "write a ",       "write an ",     "draft a",         "draft an",        "compose",
        "create a ",      "can you write", "could you write", "help me write",   "summarize",
        "summarise",      "escríbeme",     "escribe un",      "écris-moi",       "écris un",
        "rédige",         "scrivimi",      "scrivi un",       "schrijf me",      "schrijf een",
        "escreva",        "escreve um"};
    return hints;
}

const QStringList& triggers() {
    static const QStringList phrases = {"auf englisch",     "auf deutsch",     "auf italienisch",
                                        "auf französisch",  "auf spanisch",    "auf niederländisch",
                                        "ins englische",    "ins deutsche",    "ins italienische",
                                        "ins französische", "ins spanische",   "in english",
                                        "in german",        "übersetz",        "formulier",
                                        "umformulier",      "förmlicher",      "lockerer",
                                        "freundlicher",     "professioneller", "korrigier",
                                        "schreib das",      "mach daraus",     "mach das",
                                        "als e-mail",       "als mail"};
    return phrases;
}

// Dictation may come decomposed ("u" + combining diaeresis); the lists are composed.
QString folded(const QString& text) {
    return text.normalized(QString::NormalizationForm_C).toLower();
}

QString firstWord(const QString& text) {
    qsizetype start = 0;
    while (start < text.size() && !text.at(start).isLetter())
        ++start;
    qsizetype end = start;
    while (end < text.size() && text.at(end).isLetter())
        ++end;
    return text.mid(start, end - start);
}

bool containsAny(const QString& text, const QStringList& phrases) {
    for (const QString& phrase : phrases)
        if (text.contains(phrase))
            return true;
    return false;
}

}  // namespace

bool looksLikeQuestion(const QString& text) {
    const QString t = folded(text.trimmed());
    if (t.endsWith(QLatin1Char('?')) || t.startsWith(kWakeWord))
        return true;
    return questionWords().contains(firstWord(t));
}

bool mightBeRequest(const QString& text) {
    const QString t = folded(text);
    return t.startsWith(kWakeWord) || containsAny(t, requestHints());
}

bool containsInstruction(const QString& text) {
    return containsAny(folded(text), triggers());
}

bool worthFormatting(const QString& text) {
    qsizetype words = 0;
    bool inWord = false;
    for (const QChar c : text) {
        const bool space = c.isSpace();
        if (!space && !inWord)
            ++words;
        inWord = !space;
    }
    return words > 34;
}

}  // namespace DictationCommands
