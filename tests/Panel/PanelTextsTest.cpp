#include <gtest/gtest.h>

#include "Panel/PanelTexts.h"

namespace {

using namespace PanelTexts;

ContextSnapshot snapshot(const QString& app, std::optional<QString> title,
                         std::optional<QString> label = std::nullopt, bool editable = true) {
    ContextSnapshot made;
    made.appName = app;
    made.windowTitle = std::move(title);
    made.fieldLabel = std::move(label);
    made.fieldEditable = editable;
    return made;
}

TEST(PanelTextsTest, TitleNamesTheApplicationAndThePage) {
    Platform::RunningApplication named;
    named.localizedName = QStringLiteral("Gedit");
    struct Case {
        const char* name;
        std::optional<ContextSnapshot> context;
        std::optional<Platform::RunningApplication> app;
        QString title;
    };
    const Case cases[] = {
        {"nothing known", std::nullopt, std::nullopt, "Tavrin"},
        {"application without a name", std::nullopt, Platform::RunningApplication{}, "Tavrin"},
        {"only the application", std::nullopt, named, "Gedit"},
        {"page and app suffix", snapshot("Firefox", "Neuigkeiten – Firefox"), std::nullopt,
         "Firefox · Neuigkeiten"},
        {"Google dropped, full name suffix",
         snapshot("Google Chrome", "Posteingang - Google Chrome"), std::nullopt,
         "Chrome · Posteingang"},
        {"shortened name suffix", snapshot("Google Chrome", "Posteingang — Chrome"), std::nullopt,
         "Chrome · Posteingang"},
        {"what remains is the name", snapshot("Google Chrome", "Chrome - Google Chrome"),
         std::nullopt, "Chrome"},
        {"blank title", snapshot("Mail", "  \t "), std::nullopt, "Mail"},
        {"no title", snapshot("Mail", std::nullopt), std::nullopt, "Mail"},
        {"unread counter", snapshot("Slack", "(3)  Allgemein - Slack"), std::nullopt,
         "Slack · Allgemein"},
        {"counter without closing", snapshot("Slack", "(3 Allgemein"), std::nullopt,
         "Slack · (3 Allgemein"},
        {"site prefix", snapshot("Firefox", "GitHub | Pull requests – Firefox"), std::nullopt,
         "Firefox · Pull requests"},
        {"cut to 32 characters, no ellipsis",
         snapshot("Firefox", "Ein sehr langer Titel einer Seite im Netz – Firefox"), std::nullopt,
         "Firefox · Ein sehr langer Titel einer Seit"},
        {"32 characters, not 32 code units", snapshot("App", QString("😀").repeated(40)),
         std::nullopt, "App · " + QString("😀").repeated(32)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(contextTitle(c.context, c.app), c.title) << c.name;
}

TEST(PanelTextsTest, DetailSaysWhatTheFieldIs) {
    const std::optional<ContextSnapshot> none;
    const std::optional<ContextSnapshot> labelled = snapshot("Mail", {}, "Betreff");
    const std::optional<ContextSnapshot> editable = snapshot("Mail", {});
    const std::optional<ContextSnapshot> screen = snapshot("Bild", {}, std::nullopt, false);
    struct Case {
        const char* name;
        DetailInputs inputs;
        QString detail;
    };
    const Case cases[] = {
        {"screen hint while ready", {true, true, false, false, &labelled}, "Kein Kontext"},
        {"screen hint after ready", {true, false, false, false, &labelled}, "Betreff"},
        {"message still being read",
         {false, true, true, true, &labelled},
         "Nachricht wird gelesen …"},
        {"selection without label", {false, true, false, true, &editable}, "Markierter Text"},
        {"selection without context", {false, true, false, true, &none}, "Markierter Text"},
        {"selection in a labelled field", {false, true, false, true, &labelled}, "Betreff"},
        {"labelled field", {false, true, false, false, &labelled}, "Betreff"},
        {"no context", {false, true, false, false, &none}, "Eingabefeld"},
        {"editable field", {false, true, false, false, &editable}, "Eingabefeld"},
        {"not editable", {false, true, false, false, &screen}, "Bildschirm"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(contextDetail(c.inputs), c.detail) << c.name;
}

TEST(PanelTextsTest, QuotesInTheMarksOfTheLanguage) {
    struct Case {
        QLocale locale;
        QString text;
        QString quoted;
    };
    const Case cases[] = {
        {QLocale(QLocale::German), "kürzer", "„kürzer“"},
        {QLocale(QLocale::German), "", "„“"},
        {QLocale(QLocale::English), "shorter", "“shorter”"},
        {QLocale(QLocale::French), "plus court", "«\u202Fplus court\u202F»"},
        {QLocale(QLocale::French), "", "«\u202F\u202F»"},
        {QLocale(QLocale::Japanese), "短く", "「短く」"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(quoted(c.text, c.locale), c.quoted) << c.locale.name().toStdString();
    EXPECT_EQ(quoted(QStringLiteral("x")), QStringLiteral("„x“"));
}

TEST(PanelTextsTest, WaitTextNamesTheModelOrTheTool) {
    struct Case {
        WaitStep step;
        QString label;
        ProviderID provider;
        QString text;
    };
    const Case cases[] = {
        {WaitStep::capturing, "", ProviderID::claudeCLI, "Liest den Bildschirm …"},
        {WaitStep::connecting, "", ProviderID::codexCLI, "Fragt ChatGPT …"},
        {WaitStep::connecting, "", ProviderID::claudeCLI, "Fragt Claude …"},
        {WaitStep::thinking, "Opus %1", ProviderID::claudeCLI, "Opus %1 denkt nach …"},
        {WaitStep::writingDraft, "", ProviderID::claudeCLI, "Claude schreibt …"},
        {WaitStep::writingOther, "", ProviderID::codexCLI, "ChatGPT antwortet …"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(waitText(c.step, c.label, c.provider), c.text);
}

TEST(PanelTextsTest, ElapsedTimeFromTwoSecondsAndTheArrivingWord) {
    EXPECT_EQ(elapsedText(0), "");
    EXPECT_EQ(elapsedText(1), "");
    EXPECT_EQ(elapsedText(2), "2 s");
    EXPECT_EQ(elapsedText(61), "61 s");

    struct Case {
        QString draft;
        DraftSplit split;
    };
    const Case cases[] = {
        {"", {"", ""}},
        {"Hallo", {"", "Hallo"}},
        {"Hallo Welt", {"Hallo ", "Welt"}},
        {"Hallo\n", {"Hallo\n", ""}},
        {"a b\nc", {"a b\n", "c"}},
        {"a\tb", {"", "a\tb"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(splitDraft(c.draft), c.split) << c.draft.toStdString();
}

}  // namespace
