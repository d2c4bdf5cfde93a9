#include <signal.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "support/FakeAITool.h"
#include "support/Files.h"
#include "support/Programs.h"
#include "support/ScenarioDesktop.h"

namespace {

constexpr qsizetype kReplyLength = 3'000'000;
constexpr qsizetype kDelta = 65536;

QByteArray line(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray textDelta(const QString& text) {
    return line(
        {{"type", "stream_event"},
         {"event", QJsonObject{{"type", "content_block_delta"},
                               {"index", 0},
                               {"delta", QJsonObject{{"type", "text_delta"}, {"text", text}}}}}});
}

// A draft reply of 3 MB in paragraphs, as the stand-in `claude` prints it: in deltas of 64 kB,
// all at once. Tavrin shows it, can copy it whole, and answers the user all along.
class LongReplyScenario : public ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        if (HasFatalFailure())
            return;
        const QString sentence = QStringLiteral(
            "Vielen Dank für die Unterlagen, ich habe sie gelesen und finde den Plan gut. ");
        for (int paragraph = 0; draft.size() < kReplyLength; ++paragraph)
            draft += QStringLiteral("Absatz %1: ").arg(paragraph) +
                     sentence.repeated(2 + paragraph % 7) + QLatin1Char('\n');
        draft.truncate(kReplyLength);
        draft = draft.trimmed();
        QByteArray replay =
            line({{"type", "stream_event"},
                  {"event", QJsonObject{{"type", "message_start"},
                                        {"message", QJsonObject{{"role", "assistant"}}}}}});
        replay += textDelta(QStringLiteral("[[DRAFT]]\n"));
        for (qsizetype at = 0; at < draft.size(); at += kDelta)
            replay += textDelta(draft.mid(at, kDelta));
        replay +=
            line({{"type", "stream_event"}, {"event", QJsonObject{{"type", "message_stop"}}}});
        replay +=
            line({{"type", "result"}, {"subtype", "success"}, {"is_error", false}, {"result", ""}});
        writeFile(folder.filePath("long.jsonl"), replay);
        desktop.environment.insert("TAVRIN_FAKE_RECORD", folder.filePath("claude"));
        desktop.environment.insert("TAVRIN_FAKE_REPLAY", folder.filePath("long.jsonl"));
        desktop.writeSettings();
    }

    // Opens the panel by the pointer, asks, and waits until the tool has printed the whole
    // reply and ended.
    void askForTheLongReply() {
        desktop.movePointer(400, 300);
        desktop.startTavrin();
        ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
        desktop.type(QStringLiteral("Schreib einen langen Bericht"));
        desktop.key(QStringLiteral("Return"));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return readFile(folder.filePath("claude.pid")).trimmed().toLongLong() > 0; },
            20000))
            << "the tool never ran";
        const qint64 tool = readFile(folder.filePath("claude.pid")).trimmed().toLongLong();
        ASSERT_TRUE(FakeAITool::processGone(tool, 60000)) << "the tool never ended";
    }

    QTemporaryDir folder;
    QString draft;
};

TEST_F(LongReplyScenario, IsShownAtOnceAndCopiedWhole) {
    askForTheLongReply();
    if (HasFatalFailure())
        return;
    // A frozen panel answers nothing on the accessibility bus either.
    EXPECT_TRUE(QTest::qWaitFor([&] { return desktop.replyDone(); }, 20000))
        << "the reply is not shown as done";
    ScenarioDesktop::screenshot(QStringLiteral("long-reply-shown"));
    ASSERT_TRUE(desktop.click(QStringLiteral("push button"), QStringLiteral("Kopieren")))
        << "no copy button";
    EXPECT_TRUE(QTest::qWaitFor([&] { return xclipOut() == draft.toUtf8(); }, 20000))
        << "the clipboard does not hold the whole draft: " << xclipOut().size() << " bytes";
}

TEST_F(LongReplyScenario, AQuitWhileItIsShownIsAnsweredAtOnce) {
    askForTheLongReply();
    if (HasFatalFailure())
        return;
    // While the panel takes the reply in: a few seconds after the tool's end it has read the
    // whole reply and shows it.
    QTest::qWait(8000);
    ::kill(static_cast<pid_t>(desktop.tavrin.processId()), SIGTERM);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return desktop.tavrin.state() == QProcess::NotRunning; }, 5000))
        << "Tavrin did not end within 5 s of SIGTERM";
    EXPECT_EQ(desktop.tavrin.exitStatus(), QProcess::NormalExit);
}

}  // namespace
