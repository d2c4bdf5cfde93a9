#include <gtest/gtest.h>

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include "AI/CLIEnvironment.h"
#include "AI/ClaudeCLIProvider.h"
#include "support/FakeAITool.h"

namespace {

const QStringList kBase{"-p",
                        "--input-format",
                        "stream-json",
                        "--output-format",
                        "stream-json",
                        "--verbose",
                        "--include-partial-messages",
                        "--no-session-persistence",
                        "--strict-mcp-config",
                        "--setting-sources",
                        "",
                        "--system-prompt",
                        "Sei knapp.\nZeile 2"};

const QStringList kProjectTools{"--tools",
                                "Read,Grep,Glob,Bash",
                                "--allowedTools",
                                "Read",
                                "Grep",
                                "Glob",
                                "Bash(gh issue list:*)",
                                "Bash(gh issue view:*)",
                                "Bash(gh pr list:*)",
                                "Bash(git log:*)",
                                "Bash(git status:*)",
                                "Bash(ls:*)"};

}  // namespace

TEST(ClaudeCLIProviderTest, Arguments) {
    struct Case {
        std::optional<QString> model;
        bool project;
        QStringList tail;
    };
    const Case cases[] = {
        {std::nullopt, false, QStringList{"--tools", "", "--effort", "low"}},
        {"haiku", true, kProjectTools + QStringList{"--model", "haiku", "--effort", "medium"}},
        {" sonnet ", false, QStringList{"--tools", "", "--model", " sonnet ", "--effort", "low"}},
        {std::nullopt, true, kProjectTools + QStringList{"--effort", "medium"}},
    };
    for (const Case& c : cases) {
        const QStringList arguments =
            ClaudeCLIProvider::arguments("Sei knapp.\nZeile 2", c.model, c.project);
        EXPECT_EQ(arguments, kBase + c.tail) << arguments.join('|').toStdString();
        // The empty arguments are arguments of their own, not left out.
        EXPECT_EQ(arguments.at(10), QString(""));
    }
}

TEST(ClaudeCLIProviderTest, UserMessageIsOneJsonLine) {
    const QByteArray jpeg("\xff\xd8\xff\xe0 not really a picture \xff\xd9", 27);
    const QJsonObject textBlock{{"type", "text"}, {"text", "Was meinst du?\n\"Zitat\" a/b ü"}};
    const QJsonObject imageBlock{
        {"type", "image"},
        {"source", QJsonObject{{"type", "base64"},
                               {"media_type", "image/jpeg"},
                               {"data", QString::fromLatin1(jpeg.toBase64())}}}};
    struct Case {
        std::optional<QByteArray> image;
        QJsonArray content;
    };
    const Case cases[] = {
        {std::nullopt, QJsonArray{textBlock}},
        {jpeg, QJsonArray{imageBlock, textBlock}},
        {QByteArray(), QJsonArray{QJsonObject{{"type", "image"},
                                              {"source", QJsonObject{{"type", "base64"},
                                                                     {"media_type", "image/jpeg"},
                                                                     {"data", ""}}}},
                                  textBlock}},
    };
    for (const Case& c : cases) {
        const QByteArray line =
            ClaudeCLIProvider::userMessage("Was meinst du?\n\"Zitat\" a/b ü", c.image);
        ASSERT_TRUE(line.endsWith('\n'));
        EXPECT_EQ(line.count('\n'), 1) << "the request must be one line";
        const QJsonObject expected{
            {"type", "user"},
            {"message", QJsonObject{{"role", "user"}, {"content", c.content}}},
        };
        EXPECT_EQ(QJsonDocument::fromJson(line).object(), expected) << line.toStdString();
    }
}

TEST(ClaudeCLIProviderTest, EventLines) {
    const auto textDelta = [](const char* text) {
        return QByteArray(
                   R"({"type":"stream_event","event":{"type":"content_block_delta","index":0,"delta":{"type":"text_delta","text":"%1"}}})")
            .replace("%1", text);
    };
    const QByteArray start =
        R"({"type":"stream_event","event":{"type":"message_start","message":{}}})";
    const QByteArray tool =
        R"({"type":"stream_event","event":{"type":"content_block_start","index":1,"content_block":{"type":"tool_use","id":"t1","name":"Grep","input":{}}}})";
    const QByteArray result =
        R"({"type":"result","subtype":"success","is_error":false,"result":"Fertig"})";

    struct Case {
        const char* name;
        QByteArrayList lines;
        QStringList chunks;
        std::optional<QString> error;
    };
    const Case cases[] = {
        {"deltas then result: the result is not repeated",
         {R"({"type":"system","subtype":"init","session_id":"x","tools":[]})", start,
          textDelta("Hal"), textDelta("lo "), textDelta("du"), result},
         {control("CONNECTED"), "Hal", "lo ", "du"},
         std::nullopt},
        {"tool without text: the result is the answer",
         {start, tool, result},
         {control("CONNECTED"), control("RESET"), control("TOOL:Grep"), "Fertig"},
         std::nullopt},
        {"text, tool, text: the result is not repeated",
         {textDelta("Ich schaue nach."), tool, textDelta("Gefunden."), result},
         {"Ich schaue nach.", control("RESET"), control("TOOL:Grep"), "Gefunden."},
         std::nullopt},
        {"text before a tool does not suppress the result",
         {textDelta("Moment"), tool, result},
         {"Moment", control("RESET"), control("TOOL:Grep"), "Fertig"},
         std::nullopt},
        {"tool without a name",
         {R"({"type":"stream_event","event":{"type":"content_block_start","content_block":{"type":"tool_use"}}})",
          R"({"type":"stream_event","event":{"type":"content_block_start","content_block":{"type":"tool_use","name":7}}})"},
         {control("RESET"), control("TOOL:Tool"), control("RESET"), control("TOOL:Tool")},
         std::nullopt},
        {"bytes that are not UTF-8 lose only themselves",
         {textDelta("Gr\xfc\xdf")},
         {"Gr\uFFFD\uFFFD"},
         std::nullopt},
        {"empty delta counts as text", {textDelta(""), result}, {""}, std::nullopt},
        {"thinking block",
         {R"({"type":"stream_event","event":{"type":"content_block_start","content_block":{"type":"thinking","thinking":""}}})",
          R"({"type":"stream_event","event":{"type":"content_block_delta","delta":{"type":"thinking_delta","thinking":"hm"}}})"},
         {control("THINKING")},
         std::nullopt},
        {"error result reading success",
         {R"({"type":"result","subtype":"success","is_error":true,"result":"Invalid API key · Please run /login"})"},
         {},
         "Invalid API key · Please run /login"},
        {"error result without text",
         {R"({"type":"result","subtype":"error_during_execution","is_error":true})"},
         {},
         "Unbekannter Fehler"},
        {"a later error result replaces the earlier",
         {R"({"type":"result","is_error":true,"result":"erst"})",
          R"({"type":"result","is_error":true,"result":"dann"})"},
         {},
         "dann"},
        {"is_error that is not the boolean true",
         {R"({"type":"result","is_error":"true","result":"Text"})",
          R"({"type":"result","is_error":1,"result":"Text"})"},
         {"Text", "Text"},
         std::nullopt},
        {"lines to ignore",
         {"plain text", R"({"type":"stream_event","event":{"type":"content_blo)", "",
          R"(["type","result"])", R"({"type":7,"result":"x"})", R"({"result":"x"})",
          R"({"type":"stream_event","event":"message_start"})",
          R"({"type":"stream_event","event":{"type":"content_block_delta","delta":{"type":"text_delta","text":5}}})",
          R"({"type":"stream_event","event":{"type":"content_block_delta","delta":"text_delta"}})",
          R"({"type":"stream_event","event":{"type":"content_block_stop","index":0}})",
          R"({"type":"stream_event","event":{"type":"message_delta","delta":{"stop_reason":"end_turn"}}})",
          R"({"type":"stream_event","event":{"type":"message_stop"}})",
          R"({"type":"system","subtype":"api_retry","attempt":1,"error_status":401,"error":"authentication_failed"})",
          R"({"type":"assistant","message":{"content":[{"type":"text","text":"ganz"}]}})",
          R"({"type":"user","message":{"content":[{"type":"tool_result","content":"x"}]}})"},
         {},
         std::nullopt},
    };
    for (const Case& c : cases) {
        const LinesRead read = readLines<ClaudeCLIProvider::StreamState>(c.lines);
        EXPECT_EQ(read.chunks, c.chunks) << c.name;
        EXPECT_EQ(read.error, c.error) << c.name;
    }
}

// The provider against a real child process: the fake tool records how it was called and
// replays what the real tool prints.
class ClaudeCLIProviderRunTest : public ::testing::Test {
protected:
    ClaudeCLIProvider provider{FakeAITool::path("claude")};
};

TEST_F(ClaudeCLIProviderRunTest, StreamsAnAnswer) {
    FakeAITool tool("claude/answer.jsonl");
    AIRequest request;
    // A NUL character (pasted into the knowledge, say) cannot travel in an argument; it must
    // not cut off the rest of the system prompt.
    request.system = QString("Du bist hilfreich.\n") + QChar(0) + "– mit Regeln";
    request.user = "Antworte Anna";
    const std::unique_ptr<ChunkStream> stream = provider.stream(request);
    const StreamOutcome outcome = drain(*stream);

    EXPECT_EQ(outcome.chunks, QStringList({control("CONNECTED"), "[[DRAFT]]\nHallo Anna,",
                                           " gern – bis Freitag."}));
    EXPECT_EQ(outcome.failure, std::nullopt);
    EXPECT_EQ(tool.arguments(), ClaudeCLIProvider::arguments(request.system, std::nullopt, false));
    EXPECT_EQ(tool.arguments().at(12), "Du bist hilfreich.\n– mit Regeln");
    EXPECT_EQ(tool.standardInput(), ClaudeCLIProvider::userMessage("Antworte Anna", std::nullopt));
    EXPECT_EQ(QDir(tool.workingDirectory()).canonicalPath(),
              QDir(QDir::tempPath()).canonicalPath());
}

TEST_F(ClaudeCLIProviderRunTest, TemporaryFolderThatDoesNotExist) {
    // A stale TMPDIR: the tool starts in /tmp, not wherever the test was started.
    FakeAITool tool("claude/answer.jsonl");
    QTemporaryDir tmp;
    ScopedEnv gone("TMPDIR", tmp.path() + "/gone");
    const std::unique_ptr<ChunkStream> stream = provider.stream(AIRequest{"S", "U"});
    EXPECT_EQ(drain(*stream).failure, std::nullopt);
    EXPECT_EQ(tool.workingDirectory(), "/tmp");
}

TEST_F(ClaudeCLIProviderRunTest, ToolCallInAProject) {
    FakeAITool tool("claude/tool.jsonl");
    QTemporaryDir project;
    AIRequest request{"System", "Wo ist der Login?", QByteArray("\xff\xd8jpeg"), "haiku",
                      project.path()};
    const std::unique_ptr<ChunkStream> stream = provider.stream(request);
    const StreamOutcome outcome = drain(*stream);

    EXPECT_EQ(outcome.chunks,
              QStringList({control("CONNECTED"), control("THINKING"), "Ich schaue nach.",
                           control("RESET"), control("TOOL:Grep"), control("CONNECTED"),
                           "[[CHAT]]\nDer Login steht in src/Login.cpp."}));
    EXPECT_EQ(outcome.failure, std::nullopt);
    EXPECT_EQ(tool.arguments(), ClaudeCLIProvider::arguments("System", "haiku", true));
    EXPECT_EQ(tool.standardInput(),
              ClaudeCLIProvider::userMessage("Wo ist der Login?", QByteArray("\xff\xd8jpeg")));
    EXPECT_EQ(QDir(tool.workingDirectory()).canonicalPath(), QDir(project.path()).canonicalPath());
}

TEST_F(ClaudeCLIProviderRunTest, Failures) {
    const AIError signIn = AIError::notLoggedIn(
        "Im Terminal einmal `claude` starten und mit dem Claude-Abo anmelden.");
    expectEndings(
        provider, AIRequest{"S", "U"},
        {
            {"error result, exit 1", "claude/not-signed-in.jsonl", "1", "", signIn},
            {"error result wins over exit 0", "claude/not-signed-in.jsonl", "0", "", signIn},
            {"exit without output", "", "2", "", AIError::failed("Claude beendet mit Code 2")},
            {"standard error is the message", "", "3", "  Etwas ging schief\n\n",
             AIError::failed("Etwas ging schief")},
            {"standard error about logging in", "", "1", "Please run /login", signIn},
            {"success after text", "claude/answer.jsonl", "0", "Warnung", std::nullopt},
        });
}

TEST_F(ClaudeCLIProviderRunTest, SystemPromptAtTheArgumentLimit) {
    // The last size the kernel accepts still runs; one byte more ends the stream with an
    // explanation instead of a failure to start the tool.
    {
        FakeAITool tool("claude/answer.jsonl");
        const QString system(ClaudeCLIProvider::kMaxArgumentBytes, QLatin1Char('r'));
        const std::unique_ptr<ChunkStream> stream = provider.stream(AIRequest{system, "U"});
        const StreamOutcome outcome = drain(*stream);
        EXPECT_EQ(outcome.failure, std::nullopt);
        ASSERT_TRUE(tool.ran());
        EXPECT_EQ(tool.arguments().at(12).size(), ClaudeCLIProvider::kMaxArgumentBytes);
    }
    {
        FakeAITool tool("claude/answer.jsonl");
        // 65,535 two-byte characters and two one-byte ones: short in characters, too long
        // in bytes.
        const QString system = QString(65535, QChar(0x00FC)) + "ab";
        const std::unique_ptr<ChunkStream> stream = provider.stream(AIRequest{system, "U"});
        const StreamOutcome outcome = drain(*stream);
        ASSERT_TRUE(outcome.failure && outcome.failure->aiError());
        EXPECT_EQ(outcome.failure->aiError()->kind(), AIError::Kind::failed);
        EXPECT_TRUE(
            outcome.failure->errorDescription().startsWith("Wissen und Regeln sind zu lang"))
            << outcome.failure->errorDescription().toStdString();
        EXPECT_TRUE(outcome.chunks.isEmpty());
        EXPECT_FALSE(tool.ran());
    }
}

TEST_F(ClaudeCLIProviderRunTest, ToolNotFound) {
    if (CLIEnvironment::locate("claude", QString()))
        GTEST_SKIP() << "a real claude is installed on this machine";
    FakeAITool tool("claude/answer.jsonl");
    const std::unique_ptr<ChunkStream> stream =
        ClaudeCLIProvider("/nonexistent/claude").stream(AIRequest{"S", "U"});
    const StreamOutcome outcome = drain(*stream);
    ASSERT_TRUE(outcome.failure && outcome.failure->aiError());
    EXPECT_EQ(*outcome.failure->aiError(), AIError::cliNotFound("Claude Code (claude)"));
    EXPECT_FALSE(tool.ran());
}

TEST_F(ClaudeCLIProviderRunTest, CancellingEndsTheToolAndItsChildren) {
    FakeAITool tool("claude/answer.jsonl");
    tool.set("TAVRIN_FAKE_HANG", "after");
    std::unique_ptr<ChunkStream> stream = provider.stream(AIRequest{"S", "U"});
    QStringList chunks;
    QEventLoop loop;
    QObject::connect(stream.get(), &ChunkStream::chunk, &loop, [&](const QString& chunk) {
        chunks << chunk;
        if (chunks.size() == 3)
            loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_EQ(chunks.size(), 3);
    // Past its replay the fake waits on a grandchild that holds the output pipe open.
    const qint64 grandchild = tool.waitForGrandchild();
    ASSERT_GT(grandchild, 0);

    stream.reset();
    EXPECT_TRUE(FakeAITool::processGone(tool.pid()));
    EXPECT_TRUE(FakeAITool::processGone(grandchild));
}
