#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QMenu>
#include <QSet>
#include <QTextBrowser>
#include <functional>

#include "Panel/ChatBubble.h"
#include "Panel/ChatList.h"
#include "Panel/ContextRow.h"
#include "Panel/MarkdownText.h"
#include "Panel/PanelView.h"
#include "Panel/ProjectChip.h"
#include "RecordingPanelActions.h"

using Phase = AssistantSession::Phase;

namespace {

// Every row the view can show, by the name a later reader looks it up by.
const QStringList kRows{
    "contextRow",         "problemBlock",   "failedFooter",         "screenHint",
    "quoteBlock",         "chatList",       "instructionLine",      "answerArea",
    "actionCard",         "definitionCard", "sentInstructionField", "instructionField",
    "dictationErrorLine", "listeningHint",  "streamingHint",        "actionRow",
    "readyHint",          "conversationRow"};

ConversationTurn viewTurn(std::optional<ReplyKind> kind,
                          QString reply = QStringLiteral("Antwort")) {
    ConversationTurn made;
    made.user = QStringLiteral("Frage");
    made.kind = kind;
    made.reply = std::move(reply);
    return made;
}

// A reply of `kind` arriving as the only turn.
void streaming(AssistantSession& session, ReplyKind kind) {
    const ConversationTurn active = viewTurn(kind, {});
    session.setTurns({active});
    session.setActiveTurnID(active.id);
    session.setPhase(Phase::streaming());
}

struct Fixture {
    Platform::FakeClock clock;
    RecordingPanelActions actions{clock};
    AssistantSession session{std::nullopt, std::nullopt, ProviderID::claudeCLI};
};

struct SectionCase {
    const char* name;
    std::function<void(Fixture&)> arrange;
    QSet<QString> shown;
    friend void PrintTo(const SectionCase& c, std::ostream* os) { *os << c.name; }
};

class SectionTable : public ::testing::TestWithParam<SectionCase> {};

TEST_P(SectionTable, ShowsTheRowsOfThePhase) {
    const SectionCase& c = GetParam();
    Fixture fixture;
    // The sections change with the session after the view exists, as they do on screen.
    PanelView view(fixture.session, fixture.actions);
    c.arrange(fixture);
    view.resize(view.fittingSize());
    view.show();
    QCoreApplication::processEvents();
    int below = 0;
    for (const QString& name : kRows) {
        auto* row = view.findChild<QWidget*>(name);
        ASSERT_NE(row, nullptr) << name.toStdString();
        EXPECT_EQ(row->isVisibleTo(&view), c.shown.contains(name)) << name.toStdString();
        if (!row->isVisibleTo(&view))
            continue;
        // A section built when it first shows takes its own place, below the ones before it.
        const QRect place(row->mapTo(&view, QPoint()), row->size());
        EXPECT_GE(place.top(), below) << name.toStdString();
        below = place.bottom() + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(
    PanelView, SectionTable,
    ::testing::Values(
        // Nothing to quote: no empty quote row between the header and the field.
        SectionCase{"ready", [](Fixture&) {}, {"contextRow", "instructionField", "readyHint"}},
        SectionCase{"ready_with_a_quote",
                    [](Fixture& f) {
                        QuotedMessage quote;
                        quote.author = QStringLiteral("Ana");
                        quote.text = QStringLiteral("Kommst du morgen?");
                        f.session.setQuote(quote);
                    },
                    {"contextRow", "quoteBlock", "instructionField", "readyHint"}},
        SectionCase{"ready_without_screen_recording",
                    [](Fixture& f) {
                        f.actions.settingsStore().update(
                            [](AssistantSettings& s) { s.includeScreenshot = true; });
                        f.actions.screenCapture().granted = false;
                        f.actions.permissions().refresh();
                    },
                    {"contextRow", "screenHint", "instructionField", "readyHint"}},
        SectionCase{"screen_hint_dismissed",
                    [](Fixture& f) {
                        f.actions.setDemoForceScreenHint(false);
                        f.actions.screenCapture().granted = false;
                        f.actions.permissions().refresh();
                        f.session.setScreenHintDismissed(true);
                    },
                    {"contextRow", "instructionField", "readyHint"}},
        // Forced for a demonstration, the hint still keeps to a fresh ready panel.
        SectionCase{"forced_hint_with_a_draft",
                    [](Fixture& f) {
                        f.actions.setDemoForceScreenHint(true);
                        f.session.setDraft(QStringLiteral("Hallo"));
                        f.session.setPhase(Phase::done());
                    },
                    {"contextRow", "answerArea", "instructionField", "actionRow"}},
        SectionCase{"streaming_a_draft",
                    [](Fixture& f) {
                        f.session.setAppliedInstructions({QStringLiteral("kürzer")});
                        streaming(f.session, ReplyKind::draft);
                    },
                    {"contextRow", "instructionLine", "answerArea", "sentInstructionField",
                     "streamingHint"}},
        SectionCase{"streaming_a_draft_blank_instructions",
                    [](Fixture& f) {
                        f.session.setAppliedInstructions({QStringLiteral("  "), QString()});
                        streaming(f.session, ReplyKind::draft);
                    },
                    {"contextRow", "answerArea", "sentInstructionField", "streamingHint"}},
        SectionCase{"streaming_a_chat_reply",
                    [](Fixture& f) { streaming(f.session, ReplyKind::chat); },
                    {"contextRow", "chatList", "sentInstructionField", "streamingHint"}},
        SectionCase{"done",
                    [](Fixture& f) {
                        f.session.setDraft(QStringLiteral("Hallo"));
                        f.session.setPhase(Phase::done());
                    },
                    {"contextRow", "answerArea", "instructionField", "actionRow"}},
        SectionCase{"conversation",
                    [](Fixture& f) { f.session.setTurns({viewTurn(ReplyKind::chat)}); },
                    {"contextRow", "chatList", "instructionField", "conversationRow"}},
        SectionCase{
            "action_proposed",
            [](Fixture& f) {
                f.session.setTurns({viewTurn(ReplyKind::action)});
                f.session.setActionProposal(ActionProposal{});
            },
            {"contextRow", "chatList", "actionCard", "instructionField", "conversationRow"}},
        SectionCase{"definition_proposed",
                    [](Fixture& f) { f.session.setDefinitionProposal(ActionDefinitionProposal{}); },
                    {"contextRow", "definitionCard", "instructionField", "readyHint"}},
        SectionCase{"failed",
                    [](Fixture& f) {
                        f.session.setDraft(QStringLiteral("Hallo"));
                        f.session.setActionProposal(ActionProposal{});
                        f.session.setDictationError(QStringLiteral("Kein Mikrofon"));
                        f.session.setPhase(Phase::failed(AssistantProblem::offline()));
                    },
                    {"contextRow", "problemBlock", "failedFooter"}},
        // Listening wins the bottom row even while a reply streams.
        SectionCase{"listening_while_streaming",
                    [](Fixture& f) {
                        streaming(f.session, ReplyKind::draft);
                        f.session.setListening(true);
                        f.session.setDictationError(QStringLiteral("Kein Mikrofon"));
                    },
                    {"contextRow", "answerArea", "sentInstructionField", "listeningHint"}},
        SectionCase{"dictation_error_after_listening",
                    [](Fixture& f) {
                        f.session.setListening(true);
                        f.session.setDictationError(QStringLiteral("Kein Mikrofon"));
                        f.session.setListening(false);
                    },
                    {"contextRow", "instructionField", "dictationErrorLine", "readyHint"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PanelView, ShowsTheAppliedInstructionsQuotedInOneLine) {
    EXPECT_EQ(PanelView::instructionLineText({}), QString());
    EXPECT_EQ(PanelView::instructionLineText({QStringLiteral(" "), QStringLiteral("\n")}),
              QString());
    EXPECT_EQ(PanelView::instructionLineText(
                  {QStringLiteral("kürzer"), QStringLiteral(" "), QStringLiteral(" mit Gruß")}),
              QStringLiteral("„kürzer“ · „ mit Gruß“"));
}

TEST(PanelView, RowsThatAStateChangeBringsFadeInEvenWhenTheDesktopAsksForLittleMotion) {
    Fixture f;
    PanelView view(f.session, f.actions);
    view.enter(f.clock, /*still=*/true);
    auto fading = [&](const char* name) {
        auto* effect = qobject_cast<QGraphicsOpacityEffect*>(
            view.findChild<QWidget*>(QLatin1String(name))->graphicsEffect());
        return effect ? std::optional<qreal>(effect->opacity()) : std::nullopt;
    };

    // A draft arriving is no state change of its own: its box appears at once.
    f.session.setDraft(QStringLiteral("Hallo"));
    EXPECT_EQ(fading("answerArea"), std::nullopt);

    f.session.setPhase(Phase::done());
    f.clock.advance(std::chrono::milliseconds(50));
    ASSERT_TRUE(fading("actionRow").has_value());
    EXPECT_GT(*fading("actionRow"), 0.0);
    EXPECT_LT(*fading("actionRow"), 1.0);
    // Rows that were there before stay as they are.
    EXPECT_EQ(fading("answerArea"), std::nullopt);
    EXPECT_EQ(fading("instructionField"), std::nullopt);

    f.clock.advance(std::chrono::seconds(1));
    EXPECT_EQ(fading("actionRow"), std::nullopt);
}

}  // namespace

namespace {

TEST(PanelView, HeaderAndRepliesReachTheApplication) {
    Fixture fixture;
    PanelView view(fixture.session, fixture.actions);
    ConversationTurn reply = viewTurn(ReplyKind::chat, QStringLiteral("[Seite](https://x.org)"));
    fixture.session.setTurns({reply});

    auto* chip = view.findChild<ProjectChip*>();
    ASSERT_NE(chip, nullptr);
    std::unique_ptr<QMenu> menu(chip->buildMenu(nullptr));
    menu->actions().last()->trigger();
    view.findChild<ContextRow*>()->closeButton()->click();

    auto* list = view.findChild<ChatList*>();
    ASSERT_NE(list, nullptr);
    auto* browser = list->row(reply.id)->replyBubble()->textView()->findChild<QTextBrowser*>();
    emit browser->anchorClicked(QUrl("https://x.org"));

    EXPECT_EQ(fixture.actions.calls, QStringList({"manageProjects", "dismiss"}));
    EXPECT_EQ(fixture.actions.urlOpener()->opened, QList<QUrl>{QUrl("https://x.org")});
}

}  // namespace
