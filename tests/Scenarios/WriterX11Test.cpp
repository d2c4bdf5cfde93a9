#include <QFile>
#include <QTemporaryDir>

#include "FieldScenario.h"
#include "support/Files.h"
#include "support/Programs.h"
#include "support/ScenarioDesktop.h"

namespace {

// In LibreOffice Writer the paragraph that holds the selection is the field: the panel stands
// by it, the request carries its text, the reply replaces "Welt" and "Rückgängig" (Writer's own
// undo) takes it back. A reply of paragraphs is taken back whole as well.
class WriterScenario : public FieldScenario {
protected:
    // `document`: a letter in the fixtures whose first paragraph is "Liebe Anna,", the next
    // one "Hallo Welt und danke."; `picture`: the name of the screenshots.
    void replyReplacesTheSelectionAndIsTakenBack(const QString& document, const QString& picture) {
        xclipIn("vorher");
        useTheStandInTool();
        // The second reply comes in paragraphs: the tool replays what this file holds then.
        const QString replay = record.filePath(QStringLiteral("replay.jsonl"));
        ASSERT_TRUE(
            QFile::copy(QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/answer.jsonl"), replay));
        desktop.environment.insert("TAVRIN_FAKE_REPLAY", replay);
        QTemporaryDir documents;
        const QString letter = documents.filePath(document);
        ASSERT_TRUE(
            QFile::copy(QStringLiteral(TAVRIN_FIXTURES_DIR "/documents/") + document, letter));
        // Writer takes Control+Shift+Space for a protected space: Tavrin holds the shortcut before
        // Writer comes, so that no press meant for Tavrin lands in the letter.
        desktop.startClient(QStringLiteral("xterm"), {"-T", "scenario-other"});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return !runProgram(QStringLiteral("xdotool"),
                                   {QStringLiteral("search"), QStringLiteral("--name"),
                                    QStringLiteral("^scenario-other$")})
                            .trimmed()
                            .isEmpty();
            },
            10000));
        desktop.startTavrin();
        ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
        desktop.key(QStringLiteral("Escape"));
        desktop.environment.insert("SAL_USE_VCLPLUGIN", "gtk3");
        desktop.startClient(QStringLiteral("soffice"),
                            {QStringLiteral("--writer"), QStringLiteral("--norestore"),
                             QStringLiteral("--nologo"), letter});
        const quint64 window = focusedWindowMatching(
            {QStringLiteral("--name"), QStringLiteral("LibreOffice Writer$")}, 60000);
        ASSERT_NE(window, 0u) << "Writer never came up with the keyboard";
        const qint64 writer = runProgram(QStringLiteral("xdotool"),
                                         {QStringLiteral("getwindowpid"), QString::number(window)})
                                  .trimmed()
                                  .toLongLong();
        // The first paragraph that begins with `start`, as a screen reader finds it.
        const auto paragraphStarting = [&](const QString& start) {
            Platform::AccessibleRef found;
            desktop.walk(writer, [&](const Platform::AccessibleRef& e, int) {
                if (e->role() == QLatin1String("paragraph") && e->text().startsWith(start))
                    found = e;
                return !found;
            });
            return found;
        };
        // The second paragraph.
        const auto paragraph = [&] { return paragraphStarting(QStringLiteral("Hallo")); };
        const auto selectWelt = [&] {
            for (const char* key :
                 {"ctrl+Home", "Down", "Right", "Right", "Right", "Right", "Right", "Right",
                  "shift+Right", "shift+Right", "shift+Right", "shift+Right"})
                desktop.key(QString::fromLatin1(key));
        };
        const auto paragraphText = [&] {
            const Platform::AccessibleRef found = paragraph();
            return found ? found->text() : QString();
        };
        ASSERT_TRUE(QTest::qWaitFor([&] { return paragraph() != nullptr; }, 15000))
            << "the letter never showed on the accessibility bus";
        selectWelt();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return paragraph()->selectedText() == QStringLiteral("Welt"); }, 5000))
            << "Writer did not select the word";
        const std::optional<QRectF> frame = paragraph()->frame();
        ASSERT_TRUE(frame);

        askAbout(window, picture);
        if (HasFatalFailure())
            return;
        const QByteArray request = readFile(record.filePath("claude.stdin"));
        EXPECT_TRUE(request.contains(R"(The field already contains: \"Hallo Welt und danke.\")"))
            << "the tool did not get the field:\n"
            << request.toStdString();
        expectBeside(shown, *frame);
        desktop.key(QStringLiteral("ctrl+Return"));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return paragraphText() ==
                       QStringLiteral("Hallo Hallo Anna, gern – bis Freitag. und danke.");
            },
            5000))
            << "the reply is not in place of the selection: " << paragraphText().toStdString();
        EXPECT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 3000))
            << "the user's clipboard is lost";
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return desktop.click(QStringLiteral("push button"), QStringLiteral("Rückgängig"));
            },
            toastWithinMs))
            << "no undo toast";
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return paragraphText() == QStringLiteral("Hallo Welt und danke."); }, 5000))
            << "the undo did not restore the paragraph: " << paragraphText().toStdString();

        // A reply of paragraphs leaves the keyboard in the last of them, another element of the
        // same letter: "Rückgängig" takes the whole reply back from there.
        QByteArray paragraphs = readFile(replay);
        paragraphs.replace(" gern – bis Freitag.", "\\n\\ngern – bis Freitag.");
        {
            QFile file(replay);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(paragraphs);
        }
        selectWelt();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return paragraph()->selectedText() == QStringLiteral("Welt"); }, 5000))
            << "Writer did not select the word again";
        ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
        desktop.type(QStringLiteral("Mach daraus eine Frage"));
        desktop.key(QStringLiteral("Return"));
        // The panel opened afresh, without a reply: what ends is this one.
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.replyDone(); }, 20000))
            << "the reply never ended";
        EXPECT_TRUE(desktop.replyText().contains(QStringLiteral("bis Freitag.")))
            << "no reply in the panel";
        desktop.key(QStringLiteral("ctrl+Return"));
        const auto last = [&] { return paragraphStarting(QStringLiteral("gern")); };
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return last() && last()->text() == QStringLiteral("gern – bis Freitag. und danke.");
            },
            5000))
            << "the reply's paragraphs are not in the letter";
        EXPECT_EQ(paragraphText(), QStringLiteral("Hallo Hallo Anna,"));
        clickUndo();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return paragraphText() == QStringLiteral("Hallo Welt und danke.") && !last(); },
            5000))
            << "the undo did not take the paragraphs back: " << paragraphText().toStdString();
        EXPECT_FALSE(tavrinShows(undoRefused)) << "the undo was refused";
    }
};

TEST_F(WriterScenario, InLibreOfficeWriterTheParagraphIsTheField) {
    replyReplacesTheSelectionAndIsTakenBack(QStringLiteral("brief.fodt"), QStringLiteral("writer"));
}

// In a table cell (as in a header, a footer or a text frame) the paragraph is not a child of
// its document, and the document's undo takes the reply's paragraphs back all the same.
TEST_F(WriterScenario, InAWriterTableCellTheParagraphIsTheField) {
    replyReplacesTheSelectionAndIsTakenBack(QStringLiteral("brief-in-einer-tabelle.fodt"),
                                            QStringLiteral("writer-table"));
}

}  // namespace
