#include <gtest/gtest.h>

#include <QRegularExpression>

#include "AI/PromptBuilder.h"
#include "support/Golden.h"

namespace {

ConversationTurn turn(const QString& user, std::optional<ReplyKind> kind, const QString& reply,
                      bool hidden = false) {
    return {.user = user, .kind = kind, .reply = reply, .hidden = hidden};
}

// An editable field with nothing else known about it.
ContextSnapshot bareContext() {
    return {.appName = "Mail", .fieldEditable = true};
}

QString prompt(const std::optional<ContextSnapshot>& context,
               const std::optional<QuotedMessage>& quote = std::nullopt,
               const QList<ThreadMessage>& thread = {}, const QList<ConversationTurn>& history = {},
               const QString& input = QStringLiteral("Mach das"),
               std::optional<ReplyKind> forced = std::nullopt,
               const QString& replyLanguage = QStringLiteral("auto"),
               const std::optional<QString>& pageText = std::nullopt) {
    return PromptBuilder::user(context, quote, thread, history, std::nullopt, input, forced,
                               replyLanguage, pageText);
}

const QString kInputAndAuto = QStringLiteral(
    "New input from the user: Mach das\n\nIf you write a draft, use the SAME language as the "
    "message being replied to (e.g. English comment → English draft), even if the user and you "
    "discussed it in another language. Discussion with the user stays in the user's language.");

}  // namespace

TEST(UserPromptTest, MinimalPrompt) {
    expectGolden(prompt(std::nullopt, std::nullopt, {}, {}, "Sag zu"), "prompts/user-minimal.txt");
}

TEST(UserPromptTest, EverySectionPresent) {
    const ContextSnapshot context{.appName = "Slack",
                                  .windowTitle = "#team – Slack",
                                  .fieldLabel = "Nachricht an #team",
                                  .fieldEditable = true,
                                  .fieldValue = "Hallo",
                                  .selectedText = "Hallo zusammen",
                                  .screenshotJPEG = QByteArray("jpeg"),
                                  .screenshotCroppedToField = true};
    const QuotedMessage quote{"Anna Schmidt", "Kannst du morgen?", "de", false};
    const QList<ThreadMessage> thread = {{QStringLiteral("Ben"), QStringLiteral("Wer kommt mit?")},
                                         {std::nullopt, QStringLiteral("Ich!")}};
    const QList<ConversationTurn> history = {
        turn("Was meinst du?", ReplyKind::chat, "Eher ja."),
        turn("   ", ReplyKind::draft, "Ja, gerne."),
        turn("Ticket", ReplyKind::action,
             R"({"id":"github_issue","summary":"Ein Issue","params":{}})"),
        turn("Abgebrochen", std::nullopt, ""),
        turn("Merk dir das", ReplyKind::newAction, R"({"name":"Deploy"})"),
        turn("Als Datei", ReplyKind::document, "Titel\n\nText"),
    };
    expectGolden(PromptBuilder::user(
                     context, quote, thread, history, QStringLiteral("Ja, ich komme.\nBis morgen!"),
                     QStringLiteral("  kürzer bitte \n"), ReplyKind::draft, QStringLiteral("auto"),
                     QStringLiteral("Erste Zeile\nZweite Zeile")),
                 QStringLiteral("prompts/user-full.txt"));
}

TEST(UserPromptTest, SelectionReplacesQuoteAndThread) {
    const ContextSnapshot context{.appName = "TextEdit",
                                  .fieldValue = "Das ist ein langer Satz. Noch einer.",
                                  .selectedText = "langer Satz",
                                  .screenshotJPEG = QByteArray("jpeg")};
    const QuotedMessage selection{std::nullopt, "langer Satz", "de", true};
    expectGolden(PromptBuilder::user(
                     context, selection, {{QStringLiteral("Ben"), QStringLiteral("ignoriert")}}, {},
                     QStringLiteral("   "), QStringLiteral("übersetze ins Englische"),
                     ReplyKind::chat, QStringLiteral("English"), std::nullopt),
                 QStringLiteral("prompts/user-selection.txt"));
}

TEST(UserPromptTest, ContextRows) {
    ContextSnapshot notEditable = bareContext();
    notEditable.fieldEditable = false;
    ContextSnapshot wholeFieldSelected = bareContext();
    wholeFieldSelected.fieldValue = QStringLiteral("alles");
    wholeFieldSelected.selectedText = QStringLiteral("alles");
    ContextSnapshot selectionWithoutValue = bareContext();
    selectionWithoutValue.selectedText = QStringLiteral("Teil");
    const QuotedMessage quote{std::nullopt, "Hi"};

    const QString noField = QStringLiteral("- No text field is focused, so there is nothing");
    struct Case {
        const char* name;
        QString prompt;
        QString expectedStart;
        QString absent;
    };
    const Case cases[] = {
        {"bare editable field", prompt(bareContext()), "Context:\n- App: Mail\n\nNew input",
         noField},
        {"field not editable", prompt(notEditable), "Context:\n- App: Mail\n" + noField,
         "- Selected text"},
        {"not editable but answering a quote", prompt(notEditable, quote),
         "Context:\n- App: Mail\n- Message being replied to: \"Hi\"\n", noField},
        {"selection is the whole field", prompt(wholeFieldSelected),
         "Context:\n- App: Mail\n- The field already contains: \"alles\"\n\nNew input",
         "- Selected text"},
        {"selection without field value", prompt(selectionWithoutValue),
         "Context:\n- App: Mail\n- Selected text: \"Teil\"\n\nNew input", noField},
        {"page text without context",
         prompt(std::nullopt, std::nullopt, {}, {}, QStringLiteral("Mach das"), std::nullopt,
                QStringLiteral("auto"), QStringLiteral("Seite")),
         "- The user asked you to consider the WHOLE page. Full text of the page in the front "
         "window (read via accessibility, also the parts not visible on screen; may be "
         "truncated):\n\"\"\"\nSeite\n\"\"\"\n\nNew input",
         "Context:"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(c.prompt.startsWith(c.expectedStart)) << c.name << "\n"
                                                          << c.prompt.toStdString();
        EXPECT_FALSE(c.prompt.contains(c.absent)) << c.name;
        EXPECT_TRUE(c.prompt.endsWith(kInputAndAuto)) << c.name;
    }
}

TEST(UserPromptTest, History) {
    // An undecided turn is left out; a hidden one still counts.
    EXPECT_TRUE(prompt(std::nullopt, std::nullopt, {}, {turn("Hallo", std::nullopt, "")})
                    .startsWith("New input"));
    EXPECT_TRUE(prompt(std::nullopt, std::nullopt, {}, {turn("Hallo", ReplyKind::chat, "Hi", true)})
                    .startsWith("Conversation so far between the user and you:\nUser: Hallo\n"
                                "You (discussion): Hi\n\nNew input"));
}

TEST(UserPromptTest, DocumentReplyIsCutInTheHistory) {
    const QString label = QStringLiteral("You (wrote document): ");
    // 1499 letters, then an "e" with a combining accent: the 1500th character is two code units.
    const QString accented = QString(1499, QLatin1Char('a')) + QStringLiteral("e\u0301");
    const std::pair<QString, QString> cases[] = {
        {QString(1500, QLatin1Char('x')), QString(1500, QLatin1Char('x'))},
        {QString(1501, QLatin1Char('x')), QString(1500, QLatin1Char('x'))},
        {accented + QStringLiteral("zzz"), accented},
    };
    for (const auto& [reply, shown] : cases) {
        const QString text =
            prompt(std::nullopt, std::nullopt, {}, {turn("Datei", ReplyKind::document, reply)});
        EXPECT_TRUE(text.contains(QLatin1Char('\n') + label + shown + QStringLiteral("\n\n")))
            << reply.size();
    }
    // Other kinds are never cut.
    const QString longChat = QString(2000, QLatin1Char('y'));
    EXPECT_TRUE(prompt(std::nullopt, std::nullopt, {}, {turn("x", ReplyKind::chat, longChat)})
                    .contains(longChat + QStringLiteral("\n\n")));
}

TEST(UserPromptTest, DraftInputAndForcedRows) {
    struct Case {
        const char* name;
        std::optional<QString> draft;
        QString input;
        std::optional<ReplyKind> forced;
        QString expectedStart;
    };
    const QString none =
        QStringLiteral("New input from the user: (none – write the most fitting reply)");
    const Case cases[] = {
        {"blank input", std::nullopt, " \n\t", std::nullopt, none + "\n\nIf you write"},
        {"forced action gives no line", std::nullopt, "x", ReplyKind::action,
         "New input from the user: x\n\nIf"},
        {"draft kept as stored", QStringLiteral(" Hallo\n"), "x", std::nullopt,
         "Current draft:\n Hallo\n\n\nNew input from the user: x\n"},
    };
    for (const Case& c : cases) {
        const QString text =
            PromptBuilder::user(std::nullopt, std::nullopt, {}, {}, c.draft, c.input, c.forced,
                                QStringLiteral("auto"), std::nullopt);
        EXPECT_TRUE(text.startsWith(c.expectedStart)) << c.name << "\n" << text.toStdString();
    }
}

TEST(UserPromptTest, LanguageRow) {
    const auto quoteIn = [](std::optional<QString> language, bool isSelection = false) {
        return QuotedMessage{std::nullopt, "Hi", std::move(language), isSelection};
    };
    const QString important = QStringLiteral("IMPORTANT: Any draft MUST be written in ");
    const QString importantTail = QStringLiteral(
        " – the language of the thread – even if the user and you discussed it in another "
        "language. Discussion with the user stays in the user's language.");
    const QString same = QStringLiteral("If you write a draft, use the SAME language as the ");
    struct Case {
        const char* name;
        std::optional<QuotedMessage> quote;
        QString replyLanguage;
        QString lastLine;
    };
    const Case cases[] = {
        {"auto with German quote", quoteIn("de"), "auto", important + "German" + importantTail},
        {"empty setting is automatic", quoteIn("fr"), "", important + "French" + importantTail},
        {"region is ignored", quoteIn("pt-BR"), "auto", important + "Portuguese" + importantTail},
        {"selection with a language", quoteIn("en", true), "auto",
         important + "English" + importantTail},
        {"unknown code used as it is", quoteIn("xx"), "auto", important + "xx" + importantTail},
        {"fixed language wins", quoteIn("de"), "English",
         "If you write a draft, write it in English. Discussion with the user stays in the "
         "user's language."},
        {"auto without quote", std::nullopt, "auto", same},
        {"auto with quote without language", quoteIn(std::nullopt), "auto", same},
        {"setting is case-sensitive", std::nullopt, "Auto",
         "If you write a draft, write it in Auto."},
    };
    for (const Case& c : cases) {
        const QString text = prompt(std::nullopt, c.quote, {}, {}, QStringLiteral("x"),
                                    std::nullopt, c.replyLanguage);
        const QString last = text.section(QLatin1Char('\n'), -1);
        EXPECT_TRUE(last.startsWith(c.lastLine)) << c.name << "\n" << last.toStdString();
        const QStringList languageRows =
            text.split(QLatin1Char('\n'))
                .filter(QRegularExpression(QStringLiteral("^(IMPORTANT: |If you write a draft)")));
        EXPECT_EQ(languageRows.size(), 1) << c.name;
    }
}
