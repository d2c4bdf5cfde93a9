#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <functional>

#include "AI/QuotedMessage.h"
#include "Design/Palette.h"
#include "Design/Theme.h"
#include "Design/Waveform.h"
#include "Panel/InstructionField.h"
#include "Panel/SentInstructionField.h"
#include "Platform/fake/FakeAppearance.h"
#include "RecordingPanelActions.h"

using Phase = AssistantSession::Phase;
using Mode = AssistantSession::Mode;

namespace {

ConversationTurn fieldTurn(ReplyKind kind) {
    ConversationTurn made;
    made.user = QStringLiteral("Frage");
    made.kind = kind;
    return made;
}

QuotedMessage selection() {
    QuotedMessage quote;
    quote.text = QStringLiteral("markierter Text");
    quote.isSelection = true;
    return quote;
}

struct TextCase {
    const char* name;
    std::function<void(AssistantSession&)> arrange;
    QString expected;
    friend void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }
};

class PlaceholderTable : public ::testing::TestWithParam<TextCase> {};

TEST_P(PlaceholderTable, FirstMatchWins) {
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    GetParam().arrange(session);
    EXPECT_EQ(InstructionField::placeholder(session), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    InstructionField, PlaceholderTable,
    ::testing::Values(
        TextCase{"auto", [](AssistantSession&) {},
                 "Was soll ich antworten? Oder frag mich erst etwas"},
        TextCase{"discuss", [](AssistantSession& s) { s.setMode(Mode::discuss); },
                 "Was möchtest du vorher besprechen?"},
        TextCase{"write", [](AssistantSession& s) { s.setMode(Mode::write); },
                 "Was soll ich antworten? Leer lassen für einen Vorschlag"},
        TextCase{"selection",
                 [](AssistantSession& s) {
                     s.setMode(Mode::write);
                     s.setQuote(selection());
                 },
                 "Was soll ich damit machen? z. B. „übersetzen“, „erklären“, „antworten“"},
        TextCase{"selection_then_conversation",
                 [](AssistantSession& s) {
                     s.setQuote(selection());
                     s.setTurns({fieldTurn(ReplyKind::chat)});
                 },
                 "Weiter besprechen … oder „Schreib das jetzt so“"},
        // A quote read from the screen is no selection.
        TextCase{"screen_quote",
                 [](AssistantSession& s) {
                     QuotedMessage quote = selection();
                     quote.isSelection = false;
                     s.setQuote(quote);
                 },
                 "Was soll ich antworten? Oder frag mich erst etwas"},
        TextCase{"draft_wins",
                 [](AssistantSession& s) {
                     s.setQuote(selection());
                     s.setTurns({fieldTurn(ReplyKind::chat)});
                     s.setDraft(QStringLiteral("Hallo"));
                 },
                 "Anpassen oder fragen …  z. B. „kürzer“"},
        TextCase{"blank_draft", [](AssistantSession& s) { s.setDraft(QStringLiteral(" \n")); },
                 "Was soll ich antworten? Oder frag mich erst etwas"}),
    [](const auto& info) { return std::string(info.param.name); });

class SentTextTable : public ::testing::TestWithParam<TextCase> {};

TEST_P(SentTextTable, SaysWhatWasSent) {
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    GetParam().arrange(session);
    EXPECT_EQ(SentInstructionField::text(session), GetParam().expected);
}

void streamingReply(AssistantSession& session, ReplyKind kind, QString sent) {
    const ConversationTurn active = fieldTurn(kind);
    session.setTurns({active});
    session.setActiveTurnID(active.id);
    session.setSentInstruction(std::move(sent));
    session.setPhase(Phase::streaming());
}

INSTANTIATE_TEST_SUITE_P(
    InstructionField, SentTextTable,
    ::testing::Values(
        TextCase{"chat_reply",
                 [](AssistantSession& s) { streamingReply(s, ReplyKind::chat, "Wie?"); },
                 "Antwortet …"},
        TextCase{"draft_reply",
                 [](AssistantSession& s) { streamingReply(s, ReplyKind::draft, " kürzer "); },
                 " kürzer "},
        TextCase{"blank_instruction",
                 [](AssistantSession& s) { streamingReply(s, ReplyKind::draft, "  "); },
                 "Vorschlag"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InstructionField, LiveTextJoinsTheTypedAndTheDictatedWordsWithOneBlank) {
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    session.setLiveConfirmed(QStringLiteral("bitte "));
    session.setLiveTentative(QStringLiteral("kürzer"));
    EXPECT_EQ(InstructionField::liveText(session), QStringLiteral("bitte kürzer"));
    session.setInstruction(QStringLiteral("   "));
    EXPECT_EQ(InstructionField::liveText(session), QStringLiteral("bitte kürzer"));
    session.setInstruction(QStringLiteral("Antwort"));
    EXPECT_EQ(InstructionField::liveText(session), QStringLiteral("Antwort bitte kürzer"));
}

TEST(InstructionField, TheMicrophoneActsOnTheApplicationsCurrentSession) {
    Platform::FakeClock clock;
    RecordingPanelActions actions(clock);
    actions.settingsStore().update([](AssistantSettings& s) { s.dictationEnabled = true; });
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    InstructionField field(session, actions);
    auto* microphone = field.findChild<QAbstractButton*>(QStringLiteral("microphoneButton"));
    ASSERT_NE(microphone, nullptr);
    ASSERT_FALSE(microphone->isHidden());

    microphone->click();  // no current session
    actions.setSession(&session);
    microphone->click();
    session.setListening(true);
    microphone->click();
    EXPECT_EQ(actions.calls,
              (QStringList{QStringLiteral("startListening"), QStringLiteral("finishListening 1")}));

    actions.settingsStore().update([](AssistantSettings& s) { s.dictationEnabled = false; });
    EXPECT_TRUE(microphone->isHidden());
}

TEST(InstructionField, FollowsTheMicrophoneLevelsAndTheDesktopsAppearanceWhileOpen) {
    Platform::FakeAppearance appearance;
    Platform::FakeClock clock;
    Theme theme(appearance, clock);
    RecordingPanelActions actions(clock);
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    InstructionField field(session, actions);
    session.setListening(true);
    session.pushLevel(0.8f);
    EXPECT_EQ(field.findChild<Waveform*>()->levels().back(), 0.8f);

    const auto textColour = [&] { return field.lineEdit()->palette().color(QPalette::Text); };
    EXPECT_EQ(textColour(), DS::Palette::label.resolve(false));
    appearance.setDark(true);
    EXPECT_EQ(textColour(), DS::Palette::label.resolve(true));
}

}  // namespace
