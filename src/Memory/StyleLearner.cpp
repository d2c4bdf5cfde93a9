#include "Memory/StyleLearner.h"

#include <QLocale>

#include "Platform/Characters.h"
#include "Settings/AssistantSettings.h"

namespace StyleLearner {

namespace {

// The interface speaks German; English is the fallback for everyone else.
const QList<QLocale::Language>& offeredLanguages() {
    static const QList<QLocale::Language> languages = {QLocale::German, QLocale::English};
    return languages;
}

QString systemText() {
    return QStringLiteral(
               "You describe HOW a person writes, so an assistant can write replies in their "
               "voice. Look only at style, never at content: greeting and sign-off habits, "
               "du/Sie or formality, typical length, sentence rhythm, emojis and punctuation "
               "habits, recurring phrases, what they ask to remove or change in drafts.\n"
               "Output 4-8 short bullet points (\"- \u2026\"), in ") +
           replyLanguageName() +
           QStringLiteral(
               ", max 90 words in total. Only state patterns that the evidence clearly shows; "
               "no guesses, no names, no private facts. Output only the bullets.");
}

QString userText(const QString& current, const QString& examples, const QStringList& styleSignals) {
    QString text;
    if (!current.trimmed().isEmpty()) {
        text += QStringLiteral("Current description (refine it, keep what still holds):\n") +
                current + QStringLiteral("\n\n");
    }
    if (!examples.trimmed().isEmpty()) {
        text += QStringLiteral("Texts the user wrote themselves:\n\"\"\"\n") +
                Characters::prefix(examples, exampleLength) + QStringLiteral("\n\"\"\"\n\n");
    }
    if (!styleSignals.isEmpty()) {
        QStringList lines;
        for (const QString& signal :
             styleSignals.mid(qMax<qsizetype>(0, styleSignals.size() - signalLimit)))
            lines.append(QStringLiteral("- ") + signal);
        text += QStringLiteral(
                    "Recent signals (own dictated texts, and corrections the user asked for on "
                    "drafts):\n") +
                lines.join(QLatin1Char('\n'));
    }
    return text;
}

}  // namespace

QString replyLanguageName() {
    QLocale::Language chosen = QLocale::English;
    for (const QString& name : QLocale().uiLanguages()) {
        const QLocale::Language language = QLocale(name).language();
        if (offeredLanguages().contains(language)) {
            chosen = language;
            break;
        }
    }
    return QLocale::languageToString(chosen);
}

std::optional<AIRequest> request(const QString& current, const QString& examples,
                                 const QStringList& styleSignals,
                                 const AssistantSettings& settings) {
    if (styleSignals.isEmpty() && examples.trimmed().isEmpty())
        return std::nullopt;
    AIRequest request;
    request.system = systemText();
    request.user = userText(current, examples, styleSignals);
    // A description of style is a small job: the Claude tool's fastest model does it,
    // whichever model answers the user's requests.
    request.model = settings.provider == ProviderID::codexCLI
                        ? settings.model(ProviderID::codexCLI)
                        : std::optional<QString>(QStringLiteral("haiku"));
    return request;
}

}  // namespace StyleLearner
