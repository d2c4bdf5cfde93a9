// The panel's operations, one row each: every row fails when its operation is broken.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QWidget>

#include "AI/Chunk.h"
#include "App/CoordinatorHarness.h"
#include "Platform/AppPaths.h"

namespace {

using namespace std::chrono_literals;
using Phase = AssistantSession::Phase;
using Request = AppCoordinator::Request;

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A coordinator without window pictures, so that a request goes straight out.
struct OperationsHarness : CoordinatorHarness {
    OperationsHarness()
        : CoordinatorHarness([](AssistantSettings& s) {
              s.includeScreenshot = false;
              s.dictationEnabled = true;
              s.pushToTalkKey = PushToTalkKey::rightOption;
          }) {
        make();
    }
    AppCoordinator& app() { return *coordinator; }
    // A finished exchange: the reply `reply` of kind `marker` to "Antworte".
    void exchange(const QString& marker, const QString& reply) {
        app().send(QStringLiteral("Antworte"), std::nullopt, false);
        provider.feed({marker + reply});
        provider.finish();
    }
    // The right Alt key, as X reports it, pressed or let go.
    void pushToTalk(QEvent::Type type) {
        QWidget view;
        QKeyEvent key(type, Qt::Key_AltGr, Qt::NoModifier, 108, 0xffea, 0);
        QApplication::sendEvent(&view, &key);
    }
};

TEST(AppCoordinatorOperationsTest, EachOperationDoesWhatItsButtonPromises) {
    struct Row {
        const char* name;
        std::function<void(OperationsHarness&)> run;
    };
    const Row rows[] = {
        {"writeNow after a conversation asks for the draft out of sight",
         [](OperationsHarness& h) {
             AssistantSession& s = h.open();
             h.exchange(QStringLiteral("[[CHAT]]"), QStringLiteral("Gern."));
             h.app().writeNow();
             ASSERT_EQ(h.provider.calls.size(), 2u);
             EXPECT_EQ(h.app().lastRequest(),
                       (Request{text("Schreib die Antwort jetzt so, wie wir es besprochen haben."),
                                ReplyKind::draft, true}));
             EXPECT_TRUE(s.turns().last().hidden);
         }},
        {"writeNow with an instruction sends it trimmed as a draft request",
         [](OperationsHarness& h) {
             h.open().setInstruction(QStringLiteral("  kürzer  "));
             h.app().writeNow();
             EXPECT_EQ(h.app().lastRequest(), (Request{text("kürzer"), ReplyKind::draft, false}));
         }},
        {"switchProvider with rewrite sends the last request again with the other tool",
         [](OperationsHarness& h) {
             AssistantSession& s = h.open();
             h.exchange(QStringLiteral("[[DRAFT]]"), QStringLiteral("Hallo Ana"));
             h.app().switchProvider(ProviderID::codexCLI, true);
             ASSERT_EQ(h.provider.calls.size(), 2u);
             EXPECT_EQ(h.provider.calls.back().provider, ProviderID::codexCLI);
             EXPECT_EQ(h.app().lastRequest(),
                       (Request{QStringLiteral("Antworte"), std::nullopt, false}));
             EXPECT_EQ(s.provider(), ProviderID::codexCLI);
             // The stored choice stays: only this session uses the other tool.
             EXPECT_EQ(h.settings.settings().provider, ProviderID::claudeCLI);
         }},
        {"the push-to-talk key's release finishes the dictation and sends its words",
         [](OperationsHarness& h) {
             h.app().start();
             AssistantSession& s = h.open();
             h.pushToTalk(QEvent::KeyPress);
             EXPECT_TRUE(s.isListening());
             EXPECT_TRUE(s.isListeningHeld());
             h.pushToTalk(QEvent::KeyRelease);
             ASSERT_EQ(h.engine.stops, 1);
             h.engine.stop(QStringLiteral(" Sag zu "));
             EXPECT_FALSE(s.isListening());
             EXPECT_EQ(h.app().lastRequest(),
                       (Request{QStringLiteral("Sag zu"), std::nullopt, false}));
         }},
        {"a push-to-talk press that had to look for the microphone listens once it is found",
         [](OperationsHarness& h) {
             h.app().start();
             AssistantSession& s = h.open();
             h.microphone.current = Platform::AuthorizationStatus::notDetermined;
             h.permissions.refresh();
             h.pushToTalk(QEvent::KeyPress);
             EXPECT_FALSE(s.isListening());
             h.microphone.answer(Platform::AuthorizationStatus::authorized);
             EXPECT_TRUE(s.isListening());
             EXPECT_TRUE(s.isListeningHeld());
         }},
        {"a push-to-talk key let go before the microphone was found starts nothing",
         [](OperationsHarness& h) {
             h.app().start();
             AssistantSession& s = h.open();
             h.microphone.current = Platform::AuthorizationStatus::notDetermined;
             h.permissions.refresh();
             h.pushToTalk(QEvent::KeyPress);
             h.pushToTalk(QEvent::KeyRelease);
             h.microphone.answer(Platform::AuthorizationStatus::authorized);
             EXPECT_FALSE(s.isListening());
             EXPECT_EQ(h.engine.starts, 0);
             EXPECT_EQ(s.dictationError(), std::nullopt);
         }},
        {"a click on the microphone listens until the next click, though a key is set",
         [](OperationsHarness& h) {
             AssistantSession& s = h.open();
             h.app().startListening();
             EXPECT_TRUE(s.isListening());
             EXPECT_FALSE(s.isListeningHeld());
         }},
        {"a document that cannot be saved says why, as a chat reply",
         [](OperationsHarness& h) {
             // A file where the documents' folder should be.
             const QString data = *Platform::AppPaths::dataHome() + QLatin1Char('/') +
                                  Platform::AppPaths::applicationId();
             ASSERT_TRUE(QDir().mkpath(data));
             QFile blocker(data + QStringLiteral("/Dokumente"));
             ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
             blocker.close();
             AssistantSession& s = h.open();
             h.exchange(QStringLiteral("[[DOCUMENT]]"), QStringLiteral("# Konzept\n\nText"));
             const ConversationTurn turn = s.turns().last();
             EXPECT_EQ(turn.kind, ReplyKind::chat);
             EXPECT_FALSE(turn.documentURL);
             ASSERT_TRUE(turn.display);
             const QString prefix = text("Die Datei konnte nicht gespeichert werden: ");
             EXPECT_TRUE(turn.display->startsWith(prefix)) << turn.display->toStdString();
             EXPECT_GT(turn.display->size(), prefix.size()) << "the cause is named";
         }},
        {"copyDraft puts the draft on the clipboard and closes the panel",
         [](OperationsHarness& h) {
             AssistantSession& s = h.open();
             s.setDraft(QStringLiteral("Hallo Ana,\nbis Donnerstag."));
             s.setPhase(Phase::done());
             h.app().copyDraft();
             const Platform::ClipboardContents copied = {Platform::ClipboardItem{
                 {{QStringLiteral("text/plain"), QByteArray("Hallo Ana,\nbis Donnerstag.")}}}};
             EXPECT_EQ(h.clipboard.contents, copied);
             EXPECT_EQ(h.panel.hides, 1);
             EXPECT_EQ(h.app().session(), nullptr);
         }},
        {"copyDraft that the clipboard refuses keeps the panel and its draft, and says so",
         [](OperationsHarness& h) {
             AssistantSession& s = h.open();
             s.setDraft(QStringLiteral("Hallo Ana"));
             s.setPhase(Phase::done());
             h.clipboard.refusedWrites = 1;
             h.app().copyDraft();
             EXPECT_EQ(h.panel.hides, 0) << "the draft went nowhere";
             EXPECT_EQ(h.app().session(), &s);
             ASSERT_TRUE(h.undoToast.isVisible());
             ASSERT_NE(h.undoToast.view(), nullptr);
             EXPECT_EQ(h.undoToast.view()->message(),
                       text("Nicht kopiert – Zwischenablage nicht verfügbar"));
         }},
        {"retryLastRequest sends the failed request again as it was",
         [](OperationsHarness& h) {
             h.open();
             h.app().send(QStringLiteral("Fasse zusammen"), ReplyKind::chat, true);
             h.provider.fail(AIError::failed(QStringLiteral("offline")));
             h.app().retryLastRequest();
             ASSERT_EQ(h.provider.calls.size(), 2u);
             EXPECT_EQ(h.provider.calls[1].request.user, h.provider.calls[0].request.user);
             EXPECT_EQ(h.app().lastRequest(),
                       (Request{QStringLiteral("Fasse zusammen"), ReplyKind::chat, true}));
         }},
        {"regenerate asks for another wording of the draft out of sight",
         [](OperationsHarness& h) {
             AssistantSession& s = h.open();
             h.exchange(QStringLiteral("[[DRAFT]]"), QStringLiteral("Hallo Ana"));
             h.app().regenerate();
             ASSERT_EQ(h.provider.calls.size(), 2u);
             EXPECT_EQ(h.app().lastRequest(),
                       (Request{text("Schreib eine neue Variante der Antwort mit anderer "
                                     "Formulierung."),
                                ReplyKind::draft, true}));
             EXPECT_EQ(s.phase().kind(), Phase::Kind::streaming);
         }},
        {"regenerate while a reply streams asks for nothing",
         [](OperationsHarness& h) {
             h.open();
             h.app().send(QStringLiteral("Antworte"), std::nullopt, false);
             h.app().regenerate();
             EXPECT_EQ(h.provider.calls.size(), 1u);
             EXPECT_FALSE(*h.provider.calls[0].cancelled);
         }},
        {"dismissScreenHint hides the hint for this session",
         [](OperationsHarness& h) {
             AssistantSession& s = h.open();
             h.app().dismissScreenHint();
             EXPECT_TRUE(s.screenHintDismissed());
         }},
        {"a long selection is quoted to its first 4000 characters as the user sees them",
         [](OperationsHarness& h) {
             // "ä" as a and a combining diaeresis: one character, two code units.
             const QString character = QStringLiteral("a\u0308");
             h.context.snapshot.selectedText = character.repeated(4100);
             const std::optional<QuotedMessage> quote = h.open().quote();
             ASSERT_TRUE(quote);
             EXPECT_EQ(quote->text, character.repeated(4000));
             EXPECT_TRUE(quote->isSelection);
         }},
        {"a reply logs when the server answered and when the first word came",
         [](OperationsHarness& h) {
             h.open();
             TimingLines timing;
             h.app().send(QStringLiteral("Antworte"), std::nullopt, false);
             h.clock.advance(120ms);
             h.provider.feed({Chunk::connected()});
             h.clock.advance(80ms);
             h.provider.feed({QStringLiteral("[[CHAT]]Ja")});
             EXPECT_EQ(timing.lines.join(QLatin1Char('|')).toStdString(),
                       "Antwort: Bildschirm 0 ms, Server erreicht nach 120 ms|"
                       "Antwort: erstes Wort nach 200 ms (Claude Sonnet)");
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OperationsHarness h;
        row.run(h);
    }
}

}  // namespace
