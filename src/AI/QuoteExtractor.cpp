#include "AI/QuoteExtractor.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "AI/ClaudeCLIProvider.h"
#include "AI/Cld2LanguageRecognizer.h"
#include "AI/CodexCLIProvider.h"
#include "Platform/Characters.h"

namespace QuoteExtractor {

namespace {

constexpr qsizetype kMaxThreadMessages = 15;
constexpr double kMinLanguageProbability = 0.6;

// The part of a model's answer from the first opening to the last closing delimiter; the
// model tends to wrap its JSON in prose or code fences.
std::optional<QJsonDocument> cutJson(const QString& answer, QChar open, QChar close) {
    const qsizetype first = answer.indexOf(open);
    const qsizetype last = answer.lastIndexOf(close);
    if (first < 0 || last < 0 || last < first)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(answer.mid(first, last - first + 1).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    return document;
}

// A trimmed string value, or none when the value is no string or only blanks.
std::optional<QString> nonBlankString(const QJsonValue& value) {
    if (!value.isString())
        return std::nullopt;
    const QString trimmed = value.toString().trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

// Both screenshot questions share the system text, the image and the model choice: a small,
// fast model is enough to read a screenshot, and the configured Codex model is meant for the
// answers themselves, so Codex uses its own default here.
std::optional<AIRequest> screenshotRequest(const ContextSnapshot& context, ProviderID provider,
                                           const QString& user) {
    if (!context.screenshotJPEG)
        return std::nullopt;
    AIRequest request;
    request.system =
        QStringLiteral("You extract data from screenshots. Output only JSON, nothing else.");
    request.user = user;
    request.imageJPEG = context.screenshotJPEG;
    if (provider == ProviderID::claudeCLI)
        request.model = QStringLiteral("haiku");
    return request;
}

}  // namespace

std::optional<AIRequest> extractionRequest(const ContextSnapshot& context, ProviderID provider) {
    const QString position = context.screenshotCroppedToField
                                 ? QStringLiteral("near the bottom of the screenshot")
                                 : QStringLiteral("in the screenshot");
    const QString labelPart = context.fieldLabel
                                  ? QStringLiteral(" The text field is labeled: \"") +
                                        *context.fieldLabel + QStringLiteral("\".")
                                  : QString();
    return screenshotRequest(
        context, provider,
        QStringLiteral("The user is about to type into a text field ") + position +
            QStringLiteral(".") + labelPart +
            QStringLiteral(
                "\nWhich single message, comment or email is the user replying to? Usually it "
                "is directly above the field.\n"
                "Return ONLY compact JSON: {\"author\": string or null, \"message\": string or "
                "null, \"language\": string or null}\n"
                "\"message\" is the exact text of that one message (shorten to max 300 "
                "characters with … if longer).\n"
                "\"language\" is the ISO 639-1 code of the language the thread/conversation is "
                "written in (e.g. \"en\", \"de\"). Ignore the language of the app's user "
                "interface (buttons, labels).\n"
                "If the user is not replying to anything (e.g. writing a new post), return "
                "{\"author\": null, \"message\": null, \"language\": <language of the page "
                "content>}."));
}

std::optional<AIRequest> threadRequest(const ContextSnapshot& context, ProviderID provider) {
    return screenshotRequest(
        context, provider,
        QStringLiteral(
            "The user is about to reply in a text field near the bottom of this screenshot.\n"
            "List the visible messages/comments of the conversation, oldest first, EXCEPT the "
            "last one directly above the field (the one being replied to).\n"
            "At most the 15 most recent ones, each shortened to max 200 characters with …. A "
            "quoted snippet of an earlier message (reply preview) is not a separate message.\n"
            "Return ONLY compact JSON: [{\"a\": author or null, \"m\": message}]. Return [] "
            "if there is no conversation."));
}

std::unique_ptr<ChunkStream> extract(const ContextSnapshot& context, ProviderID provider,
                                     const AssistantSettings& settings, Platform::Clock& clock,
                                     QuoteCompletion done) {
    const std::optional<AIRequest> request = extractionRequest(context, provider);
    if (!request) {
        // Still answered through the event loop, like every other outcome.
        auto stream = std::make_unique<ChunkStream>();
        QObject::connect(stream.get(), &ChunkStream::finished, stream.get(),
                         [done = std::move(done)] {
                             const QuoteCompletion callback = done;
                             callback(std::nullopt);
                         });
        stream->finish();
        return stream;
    }
    std::unique_ptr<AIProvider> ai;
    if (provider == ProviderID::claudeCLI)
        ai = std::make_unique<ClaudeCLIProvider>(settings.claudePath, clock);
    else
        ai = std::make_unique<CodexCLIProvider>(settings.codexPath, clock);
    return ai->complete(*request, [done = std::move(done)](AIResult<QString> answer) {
        done(answer ? parse(answer.value()) : std::nullopt);
    });
}

std::optional<QuotedMessage> parse(const QString& answer) {
    return parse(answer, Cld2LanguageRecognizer());
}

std::optional<QuotedMessage> parse(const QString& answer, const LanguageRecognizer& recognizer) {
    const std::optional<QJsonDocument> document = cutJson(answer, u'{', u'}');
    if (!document || !document->isObject())
        return std::nullopt;
    const QJsonObject object = document->object();

    const std::optional<QString> text = nonBlankString(object.value(QLatin1String("message")));
    if (!text)
        return std::nullopt;

    QuotedMessage quote;
    quote.text = *text;
    quote.author = nonBlankString(object.value(QLatin1String("author")));
    const QJsonValue language = object.value(QLatin1String("language"));
    if (language.isString())
        quote.language = Characters::prefix(language.toString().toLower(), 2);
    if (const std::optional<QString> detected = detectLanguage(quote.text, recognizer))
        quote.language = detected;
    return quote;
}

QList<ThreadMessage> parseThread(const QString& answer) {
    const std::optional<QJsonDocument> document = cutJson(answer, u'[', u']');
    if (!document || !document->isArray())
        return {};

    QList<ThreadMessage> messages;
    for (const QJsonValue& element : document->array()) {
        if (!element.isObject())
            return {};
        const QJsonObject object = element.toObject();
        const std::optional<QString> text = nonBlankString(object.value(QLatin1String("m")));
        if (!text)
            continue;
        messages.append(ThreadMessage{nonBlankString(object.value(QLatin1String("a"))), *text});
    }
    if (messages.size() > kMaxThreadMessages)
        messages = messages.mid(messages.size() - kMaxThreadMessages);
    return messages;
}

std::optional<QString> detectLanguage(const QString& text) {
    return detectLanguage(text, Cld2LanguageRecognizer());
}

std::optional<QString> detectLanguage(const QString& text, const LanguageRecognizer& recognizer) {
    const std::optional<LanguageRecognizer::Hypothesis> hypothesis =
        recognizer.dominantLanguage(text);
    if (!hypothesis || hypothesis->probability < kMinLanguageProbability)
        return std::nullopt;
    return hypothesis->code;
}

}  // namespace QuoteExtractor
