#include <gtest/gtest.h>

#include "Design/ElidedLabel.h"
#include "Design/StyledButton.h"
#include "Panel/DocumentCard.h"
#include "Platform/fake/FakeClipboard.h"
#include "Platform/fake/FakeFileRevealer.h"
#include "Platform/fake/FakeUrlOpener.h"

namespace {

ConversationTurn documentTurn(const QString& reply, std::optional<QString> path = std::nullopt) {
    ConversationTurn turn;
    turn.kind = ReplyKind::document;
    turn.reply = reply;
    if (path)
        turn.documentURL = QUrl::fromLocalFile(*path);
    return turn;
}

TEST(DocumentCardTest, TitleSubtitleAndPreview) {
    struct Case {
        const char* reply;
        std::optional<QString> display;
        std::optional<QString> path;
        bool writing;
        const char* title;
        const char* subtitle;
        const char* preview;
    };
    const Case cases[] = {
        {"# Plan für Q3\n\n## Ziele\n> **Wichtig:** bis Juli\n\n- eins\n",
         {},
         "/d/2025 Plan.md",
         false,
         "Plan für Q3",
         "2025 Plan.md",
         "Ziele\nWichtig: bis Juli\n- eins"},
        // One line: the store takes it as body under the generic title.
        {"Nur eine Zeile", {}, {}, false, "Dokument", "Markdown", "Nur eine Zeile"},
        {"#\nText", {}, {}, true, "Dokument", "Schreibt …", "Text"},
        // The application's display text wins over the split title.
        {"# Titel\nText", QStringLiteral("Angebot"), "/d/a.md", false, "Angebot", "a.md", "Text"},
        // A character that would reorder the title or the preview is shown as a token.
        {"# Rechnung \u202Egnp.exe\n\nText \u2067x\u2069",
         {},
         {},
         false,
         "Rechnung [U+202E]gnp.exe",
         "Markdown",
         "Text [U+2067]x[U+2069]"},
        // At most six lines; marks go only at the start; inner markers other than ** stay.
        {"T\n1\n#>#2\n3 > x\n\t4 *a*\t\n5\n6\n7\n8\n9",
         {},
         {},
         false,
         "T",
         "Markdown",
         "1\n2\n3 > x\n4 *a*\n5\n6"},
    };
    for (const Case& c : cases) {
        ConversationTurn turn = documentTurn(QString::fromUtf8(c.reply), c.path);
        turn.display = c.display;
        SCOPED_TRACE(c.reply);
        EXPECT_EQ(DocumentCard::title(turn), QString::fromUtf8(c.title));
        EXPECT_EQ(DocumentCard::subtitle(turn, c.writing), QString::fromUtf8(c.subtitle));
        EXPECT_EQ(DocumentCard::preview(turn.reply), QString::fromUtf8(c.preview));
    }
}

TEST(DocumentCardTest, OpensRevealsAndCopiesTheWrittenFile) {
    Platform::FakeUrlOpener opener;
    Platform::FakeFileRevealer revealer;
    Platform::FakeClipboard clipboard;
    DocumentCard card({&opener, &revealer, &clipboard});
    const auto button = [&](const char* name) {
        return card.findChild<StyledButton*>(QLatin1String(name));
    };
    const QString path = QStringLiteral("/home/u/Dokumente/2025-03-14T09-05-07 Plan.md");
    const QString reply = QStringLiteral("# Plan\n\n**Ziel:** fertig\n");

    // While it is written there is nothing to open yet, even with the file's place known.
    card.setTurn(documentTurn(reply, path), true);
    EXPECT_FALSE(button("openDocument")->isVisibleTo(&card));
    // Saving failed: no file, no buttons.
    card.setTurn(documentTurn(reply), false);
    EXPECT_FALSE(button("openDocument")->isVisibleTo(&card));

    card.setTurn(documentTurn(reply, path), false);
    ASSERT_TRUE(button("openDocument")->isVisibleTo(&card));
    button("openDocument")->click();
    button("revealDocument")->click();
    button("copyDocument")->click();
    EXPECT_EQ(opener.opened, QList<QUrl>{QUrl::fromLocalFile(path)});
    EXPECT_EQ(revealer.revealed, QStringList{path});
    // The body as Markdown, without its title line.
    const Platform::ClipboardItem copied{{{QStringLiteral("text/plain"), "**Ziel:** fertig"}}};
    EXPECT_EQ(clipboard.contents, Platform::ClipboardContents{copied});
}

}  // namespace
