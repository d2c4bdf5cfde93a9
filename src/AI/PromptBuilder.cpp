#include "AI/PromptBuilder.h"

#include <QLocale>
#include <QStringList>

#include "Platform/Characters.h"

namespace PromptBuilder {
namespace {

// A document reply can be long; the model only needs its beginning to remember it.
constexpr int kDocumentHistoryCharacters = 1500;

bool isBlank(const QString& text) {
    return text.trimmed().isEmpty();
}

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString fenced(const QString& heading, const QString& body) {
    return heading + QStringLiteral("\n\"\"\"\n") + body + QStringLiteral("\n\"\"\"");
}

// English name of a language code ("de" gives "German"); the code itself when it names no
// language we know.
QString englishLanguageName(const QString& code) {
    const QLocale locale(code);
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage)
        return code;
    return QLocale::languageToString(locale.language());
}

void appendContext(QStringList& lines, const ContextSnapshot& context,
                   const std::optional<QuotedMessage>& quote) {
    lines << QStringLiteral("Context:");
    lines << QStringLiteral("- App: ") + context.appName;
    if (context.windowTitle)
        lines << QStringLiteral("- Window: ") + *context.windowTitle;
    if (context.fieldLabel)
        lines << QStringLiteral("- Text field label: ") + *context.fieldLabel;
    if (context.fieldValue)
        lines << QStringLiteral("- The field already contains: ") + quoted(*context.fieldValue);
    // A selection that is the whole field, or that is quoted below, is not repeated here.
    const bool quoteIsSelection = quote && quote->isSelection;
    if (context.selectedText && context.selectedText != context.fieldValue && !quoteIsSelection)
        lines << QStringLiteral("- Selected text: ") + quoted(*context.selectedText);
    if (context.screenshotJPEG) {
        if (context.screenshotCroppedToField)
            lines << QStringLiteral(
                "- The attached screenshot shows the area around the text field; the field is "
                "near the bottom. Use the whole visible conversation as context, not just the "
                "last message.");
        else
            lines << QStringLiteral(
                "- The attached screenshot shows the window. Use the visible conversation as "
                "context.");
    }
}

void appendQuote(QStringList& lines, const QuotedMessage& quote,
                 const QList<ThreadMessage>& thread) {
    if (quote.isSelection) {
        lines << fenced(QStringLiteral("- The user has SELECTED this text in the app and their "
                                       "request refers to it:"),
                        quote.text);
        lines << QStringLiteral(
            "- If the user asks to rewrite, translate, correct, shorten or reformat it, write "
            "the draft as the REPLACEMENT for the selection (it will be pasted over it). If "
            "they ask a question about it, discuss it. If they ask to reply to it, write the "
            "reply.");
        return;
    }
    if (!thread.isEmpty()) {
        lines << QStringLiteral("- Visible conversation before it (oldest first):");
        for (const ThreadMessage& message : thread)
            lines << QStringLiteral("  ") + message.author.value_or(QStringLiteral("?")) +
                         QStringLiteral(": ") + message.text;
    }
    QString replied = QStringLiteral("- Message being replied to");
    if (quote.author)
        replied += QStringLiteral(" (from ") + *quote.author + QLatin1Char(')');
    lines << replied + QStringLiteral(": ") + quoted(quote.text);
    lines << QStringLiteral(
        "- Reply to that message, but read it in the context of the whole visible "
        "conversation: what it reacts to, what was already said or answered (also by the "
        "user), the tone of the thread. Don't repeat what is already there.");
}

void appendHistory(QStringList& lines, const QList<ConversationTurn>& history) {
    bool headed = false;
    for (const ConversationTurn& turn : history) {
        // A turn whose reply never got a kind is left out entirely, instruction included.
        if (!turn.kind)
            continue;
        if (!headed) {
            lines << QStringLiteral("Conversation so far between the user and you:");
            headed = true;
        }
        if (!isBlank(turn.user))
            lines << QStringLiteral("User: ") + turn.user;
        const QString reply = *turn.kind == ReplyKind::document
                                  ? Characters::prefix(turn.reply, kDocumentHistoryCharacters)
                                  : turn.reply;
        lines << historyLabel(*turn.kind) + reply;
    }
    if (headed)
        lines << QString();
}

QString languageLine(const std::optional<QuotedMessage>& quote, const QString& replyLanguage) {
    const bool automatic = replyLanguage.isEmpty() || replyLanguage == QLatin1String("auto");
    if (!automatic)
        return QStringLiteral("If you write a draft, write it in ") + replyLanguage +
               QStringLiteral(". Discussion with the user stays in the user's language.");
    if (quote && quote->language)
        return QStringLiteral("IMPORTANT: Any draft MUST be written in ") +
               englishLanguageName(*quote->language) +
               QStringLiteral(
                   " – the language of the thread – even if the user and you discussed it in "
                   "another language. Discussion with the user stays in the user's language.");
    return QStringLiteral(
        "If you write a draft, use the SAME language as the message being replied to (e.g. "
        "English comment → English draft), even if the user and you discussed it in another "
        "language. Discussion with the user stays in the user's language.");
}

}  // namespace

QString user(const std::optional<ContextSnapshot>& context,
             const std::optional<QuotedMessage>& quote, const QList<ThreadMessage>& thread,
             const QList<ConversationTurn>& history, const std::optional<QString>& currentDraft,
             const QString& input, std::optional<ReplyKind> forced, const QString& replyLanguage,
             const std::optional<QString>& pageText) {
    QStringList lines;
    if (context)
        appendContext(lines, *context, quote);
    if (pageText)
        lines << fenced(QStringLiteral("- The user asked you to consider the WHOLE page. Full "
                                       "text of the page in the front window (read via "
                                       "accessibility, also the parts not visible on screen; "
                                       "may be truncated):"),
                        *pageText);
    if (context && !context->fieldEditable && !quote)
        lines << QStringLiteral(
            "- No text field is focused, so there is nothing to paste into right now. The user "
            "is most likely asking about what is on screen: answer in the conversation unless "
            "they explicitly ask for text to paste or send.");
    const bool situationShown = !lines.isEmpty();
    if (quote)
        appendQuote(lines, *quote, thread);
    if (quote || situationShown)
        lines << QString();

    appendHistory(lines, history);

    if (currentDraft && !isBlank(*currentDraft))
        lines << QStringLiteral("Current draft:\n") + *currentDraft + QLatin1Char('\n');

    if (isBlank(input))
        lines << QStringLiteral("New input from the user: (none – write the most fitting reply)");
    else
        lines << QStringLiteral("New input from the user: ") + input.trimmed();
    if (forced == ReplyKind::draft)
        lines << QStringLiteral("The user explicitly wants the text now: answer with ") +
                     replyMarker(ReplyKind::draft) + QLatin1Char('.');
    else if (forced == ReplyKind::chat)
        lines << QStringLiteral("The user explicitly wants to DISCUSS now: answer with ") +
                     replyMarker(ReplyKind::chat) + QLatin1Char('.');
    lines << QString();
    lines << languageLine(quote, replyLanguage);
    return lines.join(QLatin1Char('\n'));
}

std::optional<std::pair<ReplyKind, QString>> parseMarker(const QString& text, ReplyKind fallback) {
    qsizetype start = 0;
    while (start < text.size() && text.at(start).isSpace())
        ++start;
    const QString rest = text.mid(start);

    for (const ReplyMarker& entry : allReplyKinds()) {
        if (rest.startsWith(entry.marker)) {
            qsizetype body = entry.marker.size();
            // Only spaces and line feeds separate the marker from the content; a tab or a
            // carriage return already belongs to it.
            while (body < rest.size() &&
                   (rest.at(body) == QLatin1Char(' ') || rest.at(body) == QLatin1Char('\n')))
                ++body;
            return std::pair{entry.kind, rest.mid(body)};
        }
        if (!rest.isEmpty() && entry.marker.startsWith(rest))
            return std::nullopt;
    }
    if (rest.isEmpty())
        return std::nullopt;
    return std::pair{fallback, rest};
}

}  // namespace PromptBuilder
