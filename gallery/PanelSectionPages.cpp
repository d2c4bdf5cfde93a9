// Sections of the panel on its tint: the conversation, a long reply, the header and quote
// cards, the status lines and the arriving draft.
#include <QMenu>
#include <QTemporaryDir>
#include <memory>

#include "GalleryPages.h"
#include "Panel/AssistantSession.h"
#include "Panel/ChatList.h"
#include "Panel/ContextRow.h"
#include "Panel/ConversationRow.h"
#include "Panel/ListeningHint.h"
#include "Panel/ProjectChip.h"
#include "Panel/ProviderMenuChip.h"
#include "Panel/QuoteBlock.h"
#include "Panel/ReadyHint.h"
#include "Panel/StreamingHint.h"
#include "Panel/StreamingText.h"
#include "PanelSheet.h"
#include "Platform/fake/FakeApplicationIcons.h"

namespace {

const char* kLongReply = R"(# Umzug der Datenbank

Kurz gesagt: **Ja**, das geht an einem Abend. Wichtig ist nur die *Reihenfolge*, sonst
verlierst du Schreibzugriffe, die während der Kopie ankommen.

## Schritte

1. Schreibzugriffe stoppen (`maintenance on`).
2. Sicherung ziehen und prüfen.
   Die Prüfsumme muss stimmen.
3. Neue Instanz starten.
10. Zehnter Schritt mit breiter Nummer.

- Rückweg: alte Instanz bleibt *eine Woche* stehen.
  - Danach löschen.
    - Ganz tief eingerückt.

> Tipp: Probier es zuerst mit einer Kopie.
> Dann weißt du, wie lange es dauert.

```bash
pg_dump -Fc alt > alt.dump
	pg_restore -d neu alt.dump
```

---

Mehr unter [der Anleitung](https://example.org/umzug), nicht unter [dieser Datei](file:///etc/passwd).
<img src=x> bleibt Text, ~~alter Weg~~ ist durchgestrichen.)";

}  // namespace

void GalleryPages::panelConversation() {
    PanelSheet::render(
        QStringLiteral("conversation"), [](QWidget* page, QVBoxLayout* layout, auto&) {
            auto* session =
                new AssistantSession(std::nullopt, std::nullopt, ProviderID::claudeCLI, page);
            QList<ConversationTurn> turns;
            auto add = [&](const QString& user, const QString& reply,
                           ReplyKind kind = ReplyKind::chat) {
                ConversationTurn t;
                t.user = user;
                t.kind = kind;
                t.reply = reply;
                turns.append(t);
            };
            add("Wie spät ist es in Tokio, wenn es hier 9 Uhr ist?",
                "In Tokio ist es dann **17 Uhr** (im Winter).");
            add("Und im Sommer?", "Dann sind es nur *sieben* Stunden: **16 Uhr**.");
            add("Kannst du das als Liste?",
                "- Winter: 17 Uhr\n- Sommer: 16 Uhr\n\nQuelle: "
                "[timeanddate](https://www.timeanddate.de)");
            add("Leg ein Issue an", "{\"action\":\"github_issue\"}", ReplyKind::action);
            add("Danke!", "");
            session->setTurns(turns);
            session->setActiveTurnID(turns.last().id);
            auto* list = new ChatList(*session, nullptr, page);
            layout->addWidget(list);
        });
    PanelSheet::render(QStringLiteral("markdown-reply"),
                       [](QWidget* page, QVBoxLayout* layout, auto&) {
                           ConversationTurn t;
                           t.user = QStringLiteral("Wie ziehe ich die Datenbank um?");
                           t.kind = ReplyKind::chat;
                           t.reply = QString::fromUtf8(kLongReply);
                           auto* row = new ChatTurnRow(nullptr, {}, page);
                           row->setTurn(t, false);
                           layout->addWidget(row);
                       });
}

void GalleryPages::panelHeaderAndQuotes() {
    PanelSheet::render(QStringLiteral("header-and-quotes"), [](QWidget* page, QVBoxLayout* layout,
                                                               auto&) {
        static Platform::FakeApplicationIcons icons;
        QImage icon(36, 36, QImage::Format_ARGB32);
        icon.fill(QColor(230, 120, 40));
        icons.icons.insert(3, icon);
        Platform::RunningApplication app;
        app.localizedName = QStringLiteral("Firefox");
        app.windowId = 3;
        ContextSnapshot context;
        context.appName = QStringLiteral("Firefox");
        context.windowTitle = QStringLiteral("(2) Posteingang | Mail – Firefox");
        context.fieldLabel = QStringLiteral("Antwort verfassen");
        auto* session = new AssistantSession(app, context, ProviderID::claudeCLI, page);
        session->setCapturing(true);
        Project project;
        project.id = QUuid::createUuid();
        project.name = QStringLiteral("Website");
        session->setProject(project);
        layout->addWidget(new ContextRow(*session, {}, &icons, page));

        auto quoteSession = [&](std::optional<QuotedMessage> quote, int thread) {
            auto* s = new AssistantSession(std::nullopt, std::nullopt, ProviderID::claudeCLI, page);
            s->setQuote(quote);
            s->setThread(QList<ThreadMessage>(thread));
            s->setReadingQuote(!quote);
            return s;
        };
        QuotedMessage message;
        message.author = QStringLiteral("Ana Lima");
        message.text = QStringLiteral(
            "Hi! Kannst du mir bis morgen sagen, ob der Termin am Donnerstag klappt? Wir "
            "müssten sonst auf nächste Woche schieben, und dann wird es mit dem Druck knapp."
            "\nDanke dir!\nAna\n<img src=x>\nPS: noch eine Zeile");
        QuotedMessage selection;
        selection.isSelection = true;
        selection.text = QStringLiteral("Erste Zeile der Auswahl\nzweite Zeile\ndritte");
        for (const auto& [quote, compact, thread] :
             {std::tuple{std::optional(message), false, 3},
              std::tuple{std::optional(message), true, 0},
              std::tuple{std::optional(selection), false, 0},
              std::tuple{std::optional(selection), true, 0},
              std::tuple{std::optional<QuotedMessage>(), false, 0}}) {
            auto* block = new QuoteBlock(*quoteSession(quote, thread), page);
            block->setCompact(compact);
            layout->addWidget(block);
        }
    });
}

void GalleryPages::panelStatusLines() {
    PanelSheet::render(
        QStringLiteral("status-lines"), [&](QWidget* page, QVBoxLayout* layout, auto& clock) {
            StatusLine::Accessory chip = [](QWidget* parent) {
                return new ProviderMenuChip(
                    ProviderID::claudeCLI,
                    [](ProviderID) { return ProviderStatusStore::State::ready(); }, parent);
            };
            auto* session =
                new AssistantSession(std::nullopt, std::nullopt, ProviderID::claudeCLI, page);
            session->setPhase(AssistantSession::Phase::streaming());
            session->setWaitStage(AssistantSession::WaitStage::thinking);
            session->setRequestStarted(clock.now());
            session->setDraft(QStringLiteral(
                "Hallo Ana,\n\nder Donnerstag klappt bei mir. Ich bringe die Entwürfe mit und "
                "wir gehen sie gemeinsam dur"));
            layout->addWidget(new ReadyHint(*session, {}, chip, page));
            // Listening while a key is held, and after a click on the microphone.
            for (const bool held : {true, false}) {
                auto* listening =
                    new AssistantSession(std::nullopt, std::nullopt, ProviderID::claudeCLI, page);
                listening->setListeningHeld(held);
                layout->addWidget(new ListeningHint(*listening, chip, page));
            }
            layout->addWidget(new StreamingHint(*session, clock, chip, page));
            layout->addWidget(new ConversationRow({}, {}, chip, page));
            layout->addWidget(new StreamingText(*session, clock, page));
        });
}

void GalleryPages::panelProjectMenu() {
    const QString folder = GalleryOutput::folder(QStringLiteral("panel-sections"));
    QList<Project> projects;
    for (const char* name : {"Website", "Tavrin", "Steuer 2026"}) {
        Project project;
        project.id = QUuid::createUuid();
        project.name = QString::fromUtf8(name);
        projects.append(project);
    }
    for (const bool dark : {false, true}) {
        for (const bool chosen : {true, false}) {
            ProjectChip chip;
            chip.setProjects(projects);
            chip.setProject(chosen ? std::optional(projects.first()) : std::nullopt);
            std::unique_ptr<QMenu> menu(chip.buildMenu(nullptr));
            if (dark) {
                QPalette palette = menu->palette();
                for (const auto role : {QPalette::Window, QPalette::Base})
                    palette.setColor(role, QColor(40, 40, 44));
                for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                    palette.setColor(role, QColor(240, 240, 240));
                menu->setPalette(palette);
            }
            menu->adjustSize();
            GalleryOutput::save(
                menu->grab().toImage(),
                QStringLiteral("%1/project-menu-%2-%3.png")
                    .arg(folder, chosen ? QStringLiteral("chosen") : QStringLiteral("none"),
                         GalleryOutput::appearance(dark)));
        }
    }
}
