#include <gtest/gtest.h>

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>

#include "AI/CLIEnvironment.h"
#include "AI/CodexCLIProvider.h"
#include "support/FakeAITool.h"

TEST(CodexCLIProviderTest, Arguments) {
    const QStringList base{"exec", "--json",   "--ephemeral", "--skip-git-repo-check",
                           "-s",   "read-only"};
    struct Case {
        std::optional<QString> model;
        std::optional<QString> folder;
        std::optional<QString> image;
        QStringList tail;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, std::nullopt, {"-"}},
        {"gpt-5", std::nullopt, std::nullopt, {"-m", "gpt-5", "-"}},
        {std::nullopt, "/home/a/Mein Projekt", std::nullopt, {"-C", "/home/a/Mein Projekt", "-"}},
        // The prompt marker stands before "-i", which would swallow it as a second image.
        {std::nullopt, std::nullopt, "/tmp/tavrin-X.jpg", {"-", "-i", "/tmp/tavrin-X.jpg"}},
        {"o3", "/p", "/tmp/i.jpg", {"-m", "o3", "-C", "/p", "-", "-i", "/tmp/i.jpg"}},
    };
    for (const Case& c : cases) {
        const QStringList arguments = CodexCLIProvider::arguments(c.model, c.folder, c.image);
        EXPECT_EQ(arguments, base + c.tail) << arguments.join('|').toStdString();
    }
}

TEST(CodexCLIProviderTest, StandardInput) {
    EXPECT_EQ(CodexCLIProvider::standardInput("System", "Frage"),
              QByteArray("System\n\n---\n\nFrage"));
    EXPECT_EQ(CodexCLIProvider::standardInput("", "Grüße\n"),
              QByteArray("\n\n---\n\nGr\xc3\xbc\xc3\x9f"
                         "e\n"));
}

TEST(CodexCLIProviderTest, EventLines) {
    const auto message = [](const char* id, const char* text) {
        return QByteArray(
                   R"({"type":"item.completed","item":{"id":"item_%1","type":"agent_message","text":"%2"}})")
            .replace("%1", id)
            .replace("%2", text);
    };
    struct Case {
        const char* name;
        QByteArrayList lines;
        QStringList chunks;
        std::optional<QString> error;
    };
    const Case cases[] = {
        {"a whole turn",
         {R"({"type":"thread.started","thread_id":"0199"})", R"({"type":"turn.started"})",
          R"({"type":"item.started","item":{"id":"item_0","type":"reasoning","text":""}})",
          R"({"type":"item.completed","item":{"id":"item_0","type":"reasoning","text":"**Planning**"}})",
          R"({"type":"item.started","item":{"id":"item_1","type":"command_execution","command":"bash -lc ls","status":"in_progress"}})",
          R"({"type":"item.completed","item":{"id":"item_1","type":"command_execution","exit_code":0}})",
          message("2", "Hallo"),
          R"({"type":"turn.completed","usage":{"input_tokens":10,"output_tokens":2}})"},
         {control("CONNECTED"), control("THINKING"), control("TOOL:Bash"), "Hallo"},
         std::nullopt},
        {"later agent messages replace earlier ones",
         {message("1", "Erst"), message("2", "Dann"), message("3", "")},
         {"Erst", control("RESET"), "Dann", control("RESET"), ""},
         std::nullopt},
        {"bytes that are not UTF-8 lose only themselves",
         {message("1", "Gr\xfc\xdf")},
         {"Gr\uFFFD\uFFFD"},
         std::nullopt},
        {"reconnecting is no failure",
         {R"j({"type":"error","message":"Reconnecting... 1/5 (stream disconnected before completion)"})j",
          message("1", "Ok")},
         {"Ok"},
         std::nullopt},
        {"failed turn after reconnects",
         {R"({"type":"error","message":"Reconnecting... 5/5"})",
          R"({"type":"item.completed","item":{"id":"item_0","type":"error","message":"stream error"}})",
          R"({"type":"turn.failed","error":{"message":"stream disconnected: error sending request"}})"},
         {},
         "stream disconnected: error sending request"},
        {"failed turn without a message",
         {R"({"type":"turn.failed","error":{}})"},
         {},
         "Codex-Fehler"},
        {"failed turn without an error object",
         {R"({"type":"turn.failed","error":"kaputt"})"},
         {},
         "Codex-Fehler"},
        {"a later error replaces the earlier",
         {R"({"type":"error","message":"401 Unauthorized"})",
          R"({"type":"error","message":"Reconnecting... 2/5"})", R"({"type":"error"})",
          R"({"type":"error","message":"Quota exceeded"})"},
         {},
         "Quota exceeded"},
        {"lines to ignore",
         {"", "Reading prompt from stdin...", R"({"type":"turn.star)", R"([1,2])",
          R"({"type":null})", R"({"msg":"x"})",
          R"({"type":"item.started","item":{"type":"agent_message","text":"x"}})",
          R"({"type":"item.started","item":"reasoning"})",
          R"({"type":"item.completed","item":{"type":"agent_message","text":5}})",
          R"({"type":"item.completed","item":{"type":"agent_message"}})",
          R"({"type":"item.updated","item":{"type":"agent_message","text":"x"}})",
          R"({"type":"turn.completed"})"},
         {},
         std::nullopt},
    };
    for (const Case& c : cases) {
        const LinesRead read = readLines<CodexCLIProvider::StreamState>(c.lines);
        EXPECT_EQ(read.chunks, c.chunks) << c.name;
        EXPECT_EQ(read.error, c.error) << c.name;
    }
}

namespace {

const QByteArray kJpeg("\xff\xd8\xff\xe0 Bildschirm \xff\xd9", 16);

// The temporary images of this process's requests that are still lying around.
QStringList leftoverImages() {
    return QDir(QDir::tempPath()).entryList({"tavrin-*.jpg"}, QDir::Files | QDir::Hidden);
}

}  // namespace

// Each test has a temporary folder of its own, so that it sees only its own images.
class CodexCLIProviderRunTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(leftoverImages(), QStringList()); }
    void TearDown() override { EXPECT_EQ(leftoverImages(), QStringList()); }

    QTemporaryDir tmp;
    ScopedEnv tmpEnv{"TMPDIR", tmp.path()};
    CodexCLIProvider provider{FakeAITool::path("codex")};
};

TEST_F(CodexCLIProviderRunTest, StreamsAnAnswer) {
    FakeAITool tool("codex/answer.jsonl");
    const std::unique_ptr<ChunkStream> stream =
        provider.stream(AIRequest{"System\nmit Regeln", "Antworte Anna"});
    const StreamOutcome outcome = drain(*stream);

    EXPECT_EQ(outcome.chunks,
              QStringList({control("CONNECTED"), control("THINKING"), control("TOOL:Bash"),
                           "Ich prüfe das kurz.", control("RESET"),
                           "[[DRAFT]]\nHallo Anna, gern – bis Freitag."}));
    EXPECT_EQ(outcome.failure, std::nullopt);
    EXPECT_EQ(tool.arguments(), QStringList({"exec", "--json", "--ephemeral",
                                             "--skip-git-repo-check", "-s", "read-only", "-"}));
    EXPECT_EQ(tool.standardInput(), QByteArray("System\nmit Regeln\n\n---\n\nAntworte Anna"));
    EXPECT_EQ(QDir(tool.workingDirectory()).canonicalPath(),
              QDir(QDir::tempPath()).canonicalPath());
}

TEST_F(CodexCLIProviderRunTest, ModelProjectAndImage) {
    FakeAITool tool("codex/reconnect-ok.jsonl");
    QTemporaryDir project;
    const std::unique_ptr<ChunkStream> stream =
        provider.stream(AIRequest{"S", "U", kJpeg, "gpt-5-codex", project.path()});
    const StreamOutcome outcome = drain(*stream);
    EXPECT_EQ(outcome.chunks, QStringList({control("CONNECTED"), "Geht klar."}));
    EXPECT_EQ(outcome.failure, std::nullopt);

    // The tool was given exactly one image: a private file of its own in the temporary
    // folder, holding the screenshot.
    ASSERT_EQ(tool.images().size(), 1);
    const QString image = tool.images().first();
    EXPECT_TRUE(QRegularExpression(
                    "^tavrin-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.jpg$")
                    .match(QFileInfo(image).fileName())
                    .hasMatch())
        << image.toStdString();
    EXPECT_EQ(QFileInfo(image).absolutePath(), QDir::tempPath());
    EXPECT_EQ(tool.image(), kJpeg);
    EXPECT_EQ(tool.imageMode(), "600");
    EXPECT_EQ(tool.arguments(), CodexCLIProvider::arguments("gpt-5-codex", project.path(), image));
    // The project is reached through "-C"; the tool itself starts in the temporary folder.
    EXPECT_EQ(QDir(tool.workingDirectory()).canonicalPath(),
              QDir(QDir::tempPath()).canonicalPath());
    EXPECT_FALSE(QFile::exists(image));
}

TEST_F(CodexCLIProviderRunTest, Failures) {
    const AIError signIn = AIError::notLoggedIn(
        "Im Terminal einmal `codex login` ausführen und mit dem ChatGPT-Konto anmelden.");
    // With an image each time: it must be gone whatever the ending.
    expectEndings(
        provider, AIRequest{"S", "U", kJpeg},
        {
            {"failed turn after reconnects", "codex/reconnect-failed.jsonl", "1", "",
             AIError::failed("stream disconnected before completion: error sending request for "
                             "url (https://chatgpt.com/backend-api/codex/responses)")},
            {"unauthorized", "codex/unauthorized.jsonl", "1", "", signIn},
            {"failed turn without message, exit 0", "codex/failed-turn-no-message.jsonl", "0", "",
             AIError::failed("Codex-Fehler")},
            {"exit without output", "", "2", "", AIError::failed("Codex beendet mit Code 2")},
            {"standard error is the message", "", "1", "\n Error: Not logged in \n", signIn},
            {"standard error, other", "", "4", "Error: unexpected argument",
             AIError::failed("Error: unexpected argument")},
        },
        [](const ToolEnding& ending, const FakeAITool& tool) {
            EXPECT_EQ(tool.images().size(), 1) << ending.name;
            EXPECT_EQ(leftoverImages(), QStringList()) << ending.name;
        });
}

TEST_F(CodexCLIProviderRunTest, ToolNotFound) {
    if (CLIEnvironment::locate("codex", QString()))
        GTEST_SKIP() << "a real codex is installed on this machine";
    FakeAITool tool("codex/answer.jsonl");
    const std::unique_ptr<ChunkStream> stream =
        CodexCLIProvider("/nonexistent/codex").stream(AIRequest{"S", "U", kJpeg});
    const StreamOutcome outcome = drain(*stream);
    ASSERT_TRUE(outcome.failure && outcome.failure->aiError());
    EXPECT_EQ(*outcome.failure->aiError(), AIError::cliNotFound("Codex CLI (codex)"));
    EXPECT_FALSE(tool.ran());
}

TEST_F(CodexCLIProviderRunTest, TemporaryFolderThatDoesNotExist) {
    // A stale TMPDIR: the image and the tool's start go to /tmp, not to the root folder or to
    // wherever the test was started.
    FakeAITool tool("codex/answer.jsonl");
    ScopedEnv gone("TMPDIR", tmp.path() + "/gone");
    const std::unique_ptr<ChunkStream> stream = provider.stream(AIRequest{"S", "U", kJpeg});
    const StreamOutcome outcome = drain(*stream);
    EXPECT_EQ(outcome.failure, std::nullopt);
    ASSERT_EQ(tool.images().size(), 1);
    EXPECT_EQ(QFileInfo(tool.images().first()).absolutePath(), "/tmp");
    EXPECT_FALSE(QFile::exists(tool.images().first()));
    EXPECT_EQ(tool.workingDirectory(), "/tmp");
}

TEST_F(CodexCLIProviderRunTest, ImageThatCannotBeWritten) {
    FakeAITool tool("codex/answer.jsonl");
    // A temporary "folder" that is a file: nothing can be created inside it.
    QTemporaryFile notAFolder;
    ASSERT_TRUE(notAFolder.open());
    ScopedEnv tmp("TMPDIR", notAFolder.fileName());
    const std::unique_ptr<ChunkStream> stream = provider.stream(AIRequest{"S", "U", kJpeg});
    const StreamOutcome outcome = drain(*stream);
    ASSERT_TRUE(outcome.failure && outcome.failure->processError())
        << (outcome.failure ? outcome.failure->errorDescription().toStdString() : "no failure");
    EXPECT_TRUE(outcome.failure->errorDescription().contains("Not a directory"))
        << outcome.failure->errorDescription().toStdString();
    EXPECT_TRUE(outcome.chunks.isEmpty());
    EXPECT_FALSE(tool.ran());
}

TEST_F(CodexCLIProviderRunTest, CancellingEndsTheToolAndRemovesTheImage) {
    for (const char* when : {"before", "after"}) {
        FakeAITool tool("codex/answer.jsonl");
        tool.set("TAVRIN_FAKE_HANG", when);
        std::unique_ptr<ChunkStream> stream = provider.stream(AIRequest{"S", "U", kJpeg});
        const qint64 grandchild = tool.waitForGrandchild();
        ASSERT_GT(grandchild, 0) << when;
        ASSERT_EQ(leftoverImages().size(), 1) << when;

        stream->cancel();
        EXPECT_EQ(leftoverImages(), QStringList()) << when;
        EXPECT_TRUE(FakeAITool::processGone(tool.pid())) << when;
        EXPECT_TRUE(FakeAITool::processGone(grandchild)) << when;
        stream.reset();
    }
}
