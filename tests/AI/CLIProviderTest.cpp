#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include "AI/CLIEnvironment.h"
#include "AI/ClaudeCLIProvider.h"
#include "AI/CLIToolRequest.h"
#include "AI/CodexCLIProvider.h"
#include "AI/ErrorClassifier.h"
#include "Platform/fake/FakeClock.h"
#include "support/FakeAITool.h"
#include "support/ScopedLocale.h"

TEST(ClaudeCLIProviderTest, Arguments) {
    const QStringList base =
        QString(
            "-p --input-format stream-json --output-format stream-json --verbose "
            "--include-partial-messages --no-session-persistence --strict-mcp-config "
            "--setting-sources")
            .split(' ') +
        QStringList{"", "--system-prompt", "Sei knapp.\nZeile 2"};
    const QStringList projectTools =
        QStringList{"--tools", "Read,Grep,Glob,Bash", "--allowedTools", "Read", "Grep", "Glob"} +
        QStringList{"gh issue list", "gh issue view", "gh pr list", "git log", "git status", "ls"}
            .replaceInStrings(QRegularExpression("^(.+)$"), "Bash(\\1:*)");
    struct Case {
        std::optional<QString> model;
        bool project;
        QStringList tail;
    };
    const Case cases[] = {
        {std::nullopt, false, QStringList{"--tools", "", "--effort", "low"}},
        {"haiku", true, projectTools + QStringList{"--model", "haiku", "--effort", "medium"}},
        {" sonnet ", false, QStringList{"--tools", "", "--model", " sonnet ", "--effort", "low"}},
        {std::nullopt, true, projectTools + QStringList{"--effort", "medium"}},
    };
    for (const Case& c : cases) {
        const QStringList arguments =
            ClaudeCLIProvider::arguments("Sei knapp.\nZeile 2", c.model, c.project);
        EXPECT_EQ(arguments, base + c.tail) << arguments.join('|').toStdString();
    }
}

TEST(ClaudeCLIProviderTest, UserMessageIsOneJsonLine) {
    const QByteArray jpeg("\xff\xd8\xff\xe0 not really a picture \xff\xd9", 27);
    const QJsonObject text{{"type", "text"}, {"text", "Was meinst du?\n\"Zitat\" a/b ü"}};
    const auto image = [](const QByteArray& data) {
        return QJsonObject{{"type", "image"},
                           {"source", QJsonObject{{"type", "base64"},
                                                  {"media_type", "image/jpeg"},
                                                  {"data", QString::fromLatin1(data.toBase64())}}}};
    };
    const std::pair<std::optional<QByteArray>, QJsonArray> cases[] = {
        {std::nullopt, {text}},
        {jpeg, {image(jpeg), text}},
        {QByteArray(), {image({}), text}},
    };
    for (const auto& [picture, content] : cases) {
        const QByteArray line =
            ClaudeCLIProvider::userMessage("Was meinst du?\n\"Zitat\" a/b ü", picture);
        ASSERT_TRUE(line.endsWith('\n'));
        EXPECT_EQ(line.count('\n'), 1) << "the request must be one line";
        const QJsonObject expected{
            {"type", "user"}, {"message", QJsonObject{{"role", "user"}, {"content", content}}}};
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
    expectEvents<ClaudeCLIProvider::StreamState>({
        {"deltas then result: the result is not repeated",
         {R"({"type":"system","subtype":"init","session_id":"x","tools":[]})", start,
          textDelta("Hal"), textDelta("lo "), textDelta("du"), result},
         {control("CONNECTED"), "Hal", "lo ", "du"}},
        {"tool without text: the result is the answer",
         {start, tool, result},
         {control("CONNECTED"), control("RESET"), control("TOOL:Grep"), "Fertig"}},
        {"text, tool, text: the result is not repeated",
         {textDelta("Ich schaue nach."), tool, textDelta("Gefunden."), result},
         {"Ich schaue nach.", control("RESET"), control("TOOL:Grep"), "Gefunden."}},
        {"text before a tool does not suppress the result",
         {textDelta("Moment"), tool, result},
         {"Moment", control("RESET"), control("TOOL:Grep"), "Fertig"}},
        {"tool without a name",
         {R"({"type":"stream_event","event":{"type":"content_block_start","content_block":{"type":"tool_use"}}})",
          R"({"type":"stream_event","event":{"type":"content_block_start","content_block":{"type":"tool_use","name":7}}})"},
         {control("RESET"), control("TOOL:Tool"), control("RESET"), control("TOOL:Tool")}},
        {"bytes that are not UTF-8 lose only themselves",
         {textDelta("Gr\xfc\xdf")},
         {"Gr\uFFFD\uFFFD"}},
        {"empty delta counts as text", {textDelta(""), result}, {""}},
        // Text of the model's (it may copy it from the screen) never passes for a control chunk.
        {"text that looks like a control chunk",
         {textDelta("\\u0001RESET"), tool,
          R"({"type":"result","is_error":false,"result":"\u0001TOOL:x \u0001y"})"},
         {"RESET", control("RESET"), control("TOOL:Grep"), "TOOL:x y"}},
        {"thinking block",
         {R"({"type":"stream_event","event":{"type":"content_block_start","content_block":{"type":"thinking","thinking":""}}})",
          R"({"type":"stream_event","event":{"type":"content_block_delta","delta":{"type":"thinking_delta","thinking":"hm"}}})"},
         {control("THINKING")}},
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
         {"Text", "Text"}},
        {"lines to ignore",
         {"plain text", R"({"type":"stream_event","event":{"type":"content_blo)", "",
          R"(["type","result"])", R"({"type":7,"result":"x"})", R"({"result":"x"})",
          R"({"type":"stream_event","event":"message_start"})",
          R"({"type":"stream_event","event":{"type":"content_block_delta","delta":{"type":"text_delta","text":5}}})",
          R"({"type":"stream_event","event":{"type":"content_block_delta","delta":"text_delta"}})",
          R"({"type":"stream_event","event":{"type":"content_block_stop","index":0}})",
          R"({"type":"stream_event","event":{"type":"message_delta","delta":{"stop_reason":"end_turn"}}})",
          R"({"type":"stream_event","event":{"type":"message_stop"}})",
          R"({"type":"system","subtype":"api_retry","attempt":1,"error_status":529,"error":"server_error"})",
          R"({"type":"assistant","message":{"content":[{"type":"text","text":"ganz"}]}})",
          R"({"type":"user","message":{"content":[{"type":"tool_result","content":"x"}]}})"},
         {}},
    });
}

// What the tool's retry lines say about the service: a refused sign-in settles the run; an
// overloaded service or a reached limit is a refusal that may still let up, worded so that the
// panel tells the two apart; the network, other server errors and any sign that the tool got
// through leave it to the tool.
TEST(ClaudeCLIProviderTest, RetryLines) {
    using Kind = AssistantProblem::Kind;
    const auto retry = [](const char* status, const char* error) {
        return QByteArray(
                   R"({"type":"system","subtype":"api_retry","attempt":3,"max_retries":10,"retry_delay_ms":2231.6,"error_status":%1,"error":%2})")
            .replace("%1", status)
            .replace("%2", error);
    };
    const QByteArray start =
        R"({"type":"stream_event","event":{"type":"message_start","message":{}}})";
    const struct {
        const char* name;
        QByteArrayList lines;
        bool rejected;
        std::optional<Kind> refusal = std::nullopt;
    } cases[] = {
        {"401 with authentication_failed", {retry("401", R"("authentication_failed")")}, true},
        {"401 alone", {retry("401", R"("unknown")")}, true},
        {"authentication_failed without a status",
         {retry("null", R"("authentication_failed")")},
         true},
        {"after other retries", {retry("529", R"("server_error")"), retry("401", "null")}, true},
        {"overloaded", {retry("529", R"("overloaded")")}, false, Kind::busy},
        {"529 read as a server error", {retry("529", R"("server_error")")}, false, Kind::busy},
        {"overloaded without a status", {retry("null", R"("overloaded")")}, false, Kind::busy},
        {"rate limit", {retry("429", R"("rate_limit")")}, false, Kind::limitReached},
        {"overloaded, then the limit",
         {retry("529", R"("overloaded")"), retry("429", R"("rate_limit")")},
         false,
         Kind::limitReached},
        {"the tool's own notes keep it", {retry("529", R"("overloaded")"),
          R"({"type":"system","subtype":"status","status":"requesting"})"}, false, Kind::busy},
        {"then the network", {retry("529", R"("overloaded")"), retry("null", R"("unknown")")},
         false},
        {"then through", {retry("429", R"("rate_limit")"), start}, false},
        {"limit, overload, network",
         {retry("429", R"("rate_limit")"), retry("529", R"("server_error")"),
          retry("null", R"("unknown")")},
         false},
        {"other server errors", {retry("503", R"("server_error")"), retry("500", R"("api_error")")},
         false},
        {"status as text", {retry(R"("401")", R"("unknown")"), retry(R"("529")", R"("unknown")")},
         false},
        {"a longer number", {retry("4010", R"("unknown")"), retry("5290", R"("unknown")")}, false},
        {"not a retry line",
         {R"({"type":"system","subtype":"init","error_status":401,"error":"authentication_failed"})",
          R"({"type":"assistant","subtype":"api_retry","error_status":401})",
          R"({"type":"system","subtype":"init","error_status":529,"error":"overloaded"})"},
         false},
    };
    for (const auto& c : cases) {
        ClaudeCLIProvider::StreamState state;
        QStringList chunks;
        for (const QByteArray& line : c.lines)
            chunks += state.onLine(line);
        EXPECT_EQ(state.signInRejected, c.rejected) << c.name;
        EXPECT_EQ(state.error, std::nullopt) << c.name;
        EXPECT_EQ(state.refusal.has_value(), c.refusal.has_value()) << c.name;
        if (state.refusal && c.refusal) {
            EXPECT_EQ(ErrorClassifier::classify(state.refusal->reason, ProviderID::claudeCLI).kind(),
                      *c.refusal)
                << c.name << ": " << state.refusal->reason.toStdString();
        }
    }
}

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
    expectEvents<CodexCLIProvider::StreamState>({
        {"a whole turn",
         {R"({"type":"thread.started","thread_id":"0199"})", R"({"type":"turn.started"})",
          R"({"type":"item.started","item":{"id":"item_0","type":"reasoning","text":""}})",
          R"({"type":"item.completed","item":{"id":"item_0","type":"reasoning","text":"**Planning**"}})",
          R"({"type":"item.started","item":{"id":"item_1","type":"command_execution","command":"bash -lc ls","status":"in_progress"}})",
          R"({"type":"item.completed","item":{"id":"item_1","type":"command_execution","exit_code":0}})",
          message("2", "Hallo"),
          R"({"type":"turn.completed","usage":{"input_tokens":10,"output_tokens":2}})"},
         {control("CONNECTED"), control("THINKING"), control("TOOL:Bash"), "Hallo"}},
        {"later agent messages replace earlier ones",
         {message("1", "Erst"), message("2", "Dann"), message("3", "")},
         {"Erst", control("RESET"), "Dann", control("RESET"), ""}},
        {"bytes that are not UTF-8 lose only themselves",
         {message("1", "Gr\xfc\xdf")},
         {"Gr\uFFFD\uFFFD"}},
        {"text that looks like a control chunk", {message("1", "\\u0001RESET")}, {"RESET"}},
        {"reconnecting is no failure",
         {R"j({"type":"error","message":"Reconnecting... 1/5 (stream disconnected before completion)"})j",
          message("1", "Ok")},
         {"Ok"}},
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
         {}},
    });
}

// Why the tool reconnects: a refused sign-in settles the run at its first sign; an overloaded
// service or a reached limit is a refusal that may still let up; the network and a reconnect
// without a reason are left to the tool, and so is anything once the tool got through.
TEST(CodexCLIProviderTest, ReconnectReasons) {
    using Kind = AssistantProblem::Kind;
    const auto reconnect = [](const char* reason) {
        return QByteArray(R"({"type":"error","message":"Reconnecting... 2/5%1"})")
            .replace("%1", reason);
    };
    const QByteArray limit =
        reconnect(" (exceeded retry limit, last status: 429 Too Many Requests, request id: 9c84)");
    const struct {
        const char* name;
        QByteArrayList lines;
        bool rejected;
        std::optional<Kind> refusal = std::nullopt;
    } cases[] = {
        {"unauthorized",
         {reconnect(R"( (unexpected status 401 Unauthorized: {\"detail\":\"Unauthorized\"}))")},
         true},
        {"limit", {limit}, false, Kind::limitReached},
        {"high demand",
         {reconnect(" (We’re currently experiencing high demand, which may cause temporary "
                    "errors.)")},
         false,
         Kind::busy},
        {"overloaded",
         {reconnect(R"( (unexpected status 529 <unknown status code>: Overloaded))")},
         false,
         Kind::busy},
        {"service unavailable",
         {reconnect(" (unexpected status 503 Service Unavailable: The engine is currently "
                    "overloaded, please try again later., url: …/v1/responses)")},
         false,
         Kind::busy},
        {"rate limit exceeded", {reconnect(" (rate limit exceeded: slow down)")}, false,
         Kind::limitReached},
        {"the network",
         {reconnect(" (stream disconnected before completion: error sending request for url "
                    "(https://chatgpt.com/backend-api/codex/responses))")},
         false},
        {"limit, then the network",
         {limit, reconnect(" (stream disconnected before completion: timed out)")},
         false},
        {"limit, then no reason", {limit, reconnect("")}, false},
        {"limit, then through",
         {limit, R"({"type":"item.started","item":{"id":"item_0","type":"reasoning","text":""}})"},
         false},
        {"limit, then its report",
         {limit,
          R"({"type":"item.completed","item":{"id":"item_0","type":"error","message":"exceeded retry limit"}})"},
         false,
         Kind::limitReached},
        {"a failure that is no reconnect",
         {R"({"type":"error","message":"unexpected status 401 Unauthorized"})",
          R"({"type":"error","message":"429 Too Many Requests"})"},
         false},
    };
    for (const auto& c : cases) {
        CodexCLIProvider::StreamState state;
        for (const QByteArray& line : c.lines)
            state.onLine(line);
        EXPECT_EQ(state.signInRejected, c.rejected) << c.name;
        EXPECT_EQ(state.refusal.has_value(), c.refusal.has_value()) << c.name;
        if (state.refusal && c.refusal) {
            EXPECT_EQ(ErrorClassifier::classify(state.refusal->reason, ProviderID::codexCLI).kind(),
                      *c.refusal)
                << c.name << ": " << state.refusal->reason.toStdString();
        }
    }
}

namespace {

const QByteArray kJpeg("\xff\xd8\xff\xe0 Bildschirm \xff\xd9", 16);

// The temporary images of this process's requests that are still lying around.
QStringList leftoverImages() {
    return QDir(QDir::tempPath()).entryList({"tavrin-*.jpg"}, QDir::Files | QDir::Hidden);
}

QString canonical(const QString& path) {
    return QDir(path).canonicalPath();
}

// A stream from `provider` with the fake stopping before the replay lines `pauses`;
// `finished` turns true when the stream ends.
std::unique_ptr<ChunkStream> startPaused(const AIProvider& provider, FakeAITool& tool,
                                         const char* pauses, bool& finished) {
    tool.set("TAVRIN_FAKE_PAUSE", pauses);
    std::unique_ptr<ChunkStream> stream = provider.stream({"S", "U"});
    QObject::connect(stream.get(), &ChunkStream::finished, [&finished] { finished = true; });
    return stream;
}

}  // namespace

// The providers against a real child process: the fake tool records how it was called and
// replays what the real tool prints. Each test has a temporary folder of its own, so that it
// sees only its own images.
class CLIProviderRunTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(leftoverImages(), QStringList()); }
    void TearDown() override { EXPECT_EQ(leftoverImages(), QStringList()); }

    QTemporaryDir tmp;
    ScopedEnv tmpEnv{"TMPDIR", tmp.path()};
    Platform::FakeClock clock;
    ClaudeCLIProvider claude{FakeAITool::path("claude"), clock};
    CodexCLIProvider codex{FakeAITool::path("codex"), clock};
};

TEST_F(CLIProviderRunTest, ClaudeStreamsAnAnswer) {
    FakeAITool tool("claude/answer.jsonl");
    AIRequest request;
    // A NUL character (pasted into the knowledge, say) cannot travel in an argument; it must
    // not cut off the rest of the system prompt.
    request.system = QString("Du bist hilfreich.\n") + QChar(0) + "– mit Regeln";
    request.user = "Antworte Anna";
    const StreamOutcome outcome = drain(claude.stream(request));

    EXPECT_EQ(outcome.chunks, QStringList({control("CONNECTED"), "[[DRAFT]]\nHallo Anna,",
                                           " gern – bis Freitag."}));
    EXPECT_EQ(outcome.failure, std::nullopt);
    EXPECT_EQ(tool.arguments(), ClaudeCLIProvider::arguments(request.system, std::nullopt, false));
    EXPECT_EQ(tool.arguments().at(12), "Du bist hilfreich.\n– mit Regeln");
    EXPECT_EQ(tool.standardInput(), ClaudeCLIProvider::userMessage("Antworte Anna", std::nullopt));
    EXPECT_EQ(canonical(tool.workingDirectory()), canonical(QDir::tempPath()));
}

TEST_F(CLIProviderRunTest, ClaudeToolCallInAProject) {
    FakeAITool tool("claude/tool.jsonl");
    QTemporaryDir project;
    const QByteArray jpeg("\xff\xd8jpeg");
    const StreamOutcome outcome =
        drain(claude.stream({"System", "Wo ist der Login?", jpeg, "haiku", project.path()}));

    EXPECT_EQ(outcome.chunks,
              QStringList({control("CONNECTED"), control("THINKING"), "Ich schaue nach.",
                           control("RESET"), control("TOOL:Grep"), control("CONNECTED"),
                           "[[CHAT]]\nDer Login steht in src/Login.cpp."}));
    EXPECT_EQ(outcome.failure, std::nullopt);
    EXPECT_EQ(tool.arguments(), ClaudeCLIProvider::arguments("System", "haiku", true));
    EXPECT_EQ(tool.standardInput(), ClaudeCLIProvider::userMessage("Wo ist der Login?", jpeg));
    EXPECT_EQ(canonical(tool.workingDirectory()), canonical(project.path()));
}

TEST_F(CLIProviderRunTest, CodexStreamsAnAnswer) {
    FakeAITool tool("codex/answer.jsonl");
    const StreamOutcome outcome = drain(codex.stream({"System\nmit Regeln", "Antworte Anna"}));

    EXPECT_EQ(outcome.chunks,
              QStringList({control("CONNECTED"), control("THINKING"), control("TOOL:Bash"),
                           "Ich prüfe das kurz.", control("RESET"),
                           "[[DRAFT]]\nHallo Anna, gern – bis Freitag."}));
    EXPECT_EQ(outcome.failure, std::nullopt);
    EXPECT_EQ(tool.arguments(), QStringList({"exec", "--json", "--ephemeral",
                                             "--skip-git-repo-check", "-s", "read-only", "-"}));
    EXPECT_EQ(tool.standardInput(), QByteArray("System\nmit Regeln\n\n---\n\nAntworte Anna"));
    EXPECT_EQ(canonical(tool.workingDirectory()), canonical(QDir::tempPath()));
}

TEST_F(CLIProviderRunTest, CodexModelProjectAndImage) {
    FakeAITool tool("codex/reconnect-ok.jsonl");
    QTemporaryDir project;
    const StreamOutcome outcome =
        drain(codex.stream({"S", "U", kJpeg, "gpt-5-codex", project.path()}));
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
    EXPECT_EQ(canonical(tool.workingDirectory()), canonical(QDir::tempPath()));
    EXPECT_FALSE(QFile::exists(image));
}

TEST_F(CLIProviderRunTest, Failures) {
    const AIError claudeSignIn = AIError::notLoggedIn(
        "Im Terminal einmal „claude“ starten und mit dem Claude-Abo anmelden.");
    expectEndings(
        claude, AIRequest{"S", "U"},
        {
            {"error result, exit 1", "claude/not-signed-in.jsonl", "1", "", claudeSignIn},
            {"error result wins over exit 0", "claude/not-signed-in.jsonl", "0", "", claudeSignIn},
            {"exit without output", "", "2", "", AIError::failed("Claude beendet mit Code 2")},
            {"standard error is the message", "", "3", "  Etwas ging schief\n\n",
             AIError::failed("Etwas ging schief")},
            {"standard error about logging in", "", "1", "Please run /login", claudeSignIn},
            {"success after text", "claude/answer.jsonl", "0", "Warnung", std::nullopt},
        });

    const AIError codexSignIn = AIError::notLoggedIn(
        "Im Terminal einmal „codex login“ ausführen und mit dem ChatGPT-Konto anmelden.");
    // With an image each time: it must be gone whatever the ending.
    expectEndings(
        codex, AIRequest{"S", "U", kJpeg},
        {
            {"failed turn after reconnects", "codex/reconnect-failed.jsonl", "1", "",
             AIError::failed("stream disconnected before completion: error sending request for "
                             "url (https://chatgpt.com/backend-api/codex/responses)")},
            {"unauthorized", "codex/unauthorized.jsonl", "1", "", codexSignIn},
            {"failed turn without message, exit 0", "codex/failed-turn-no-message.jsonl", "0", "",
             AIError::failed("Codex-Fehler")},
            {"exit without output", "", "2", "", AIError::failed("Codex beendet mit Code 2")},
            {"standard error is the message", "", "1", "\n Error: Not logged in \n", codexSignIn},
            {"standard error, other", "", "4", "Error: unexpected argument",
             AIError::failed("Error: unexpected argument")},
        },
        [](const ToolEnding& ending, const FakeAITool& tool) {
            EXPECT_EQ(tool.images().size(), 1) << ending.name;
            EXPECT_EQ(leftoverImages(), QStringList()) << ending.name;
        });
}

// A refused sign-in ends the stream at its first sign, not after the tool's minutes of
// retries: the tool and what it started are ended, and nothing it prints later arrives.
TEST_F(CLIProviderRunTest, RefusedSignInEndsAtTheFirstRetry) {
    struct Case {
        const char* name;
        const AIProvider& provider;
        const char* replay;
        const char* variable;  // what keeps the fake from ending by itself
        const char* value;
        AIError expected;
        QStringList chunks;
    };
    const Case cases[] = {
        {"claude",
         claude,
         "claude/sign-in-rejected.jsonl",
         "TAVRIN_FAKE_HANG",
         "after",
         AIError::notLoggedIn(
             "Im Terminal einmal „claude“ starten und mit dem Claude-Abo anmelden."),
         {}},
        // Stopped right after its first reconnect.
        {"codex",
         codex,
         "codex/sign-in-retries.jsonl",
         "TAVRIN_FAKE_PAUSE",
         "4",
         AIError::notLoggedIn(
             "Im Terminal einmal „codex login“ ausführen und mit dem ChatGPT-Konto anmelden."),
         {control("CONNECTED")}},
    };
    for (const Case& c : cases) {
        FakeAITool tool(c.replay);
        tool.set(c.variable, c.value);
        const StreamOutcome outcome = drain(c.provider.stream({"S", "U"}));
        expectEnd(outcome, c.expected, c.name);
        EXPECT_EQ(outcome.chunks, c.chunks) << c.name;
        EXPECT_TRUE(FakeAITool::groupGone(tool.pid())) << c.name;
    }
}

// A service that turns the tool away (overloaded, or the limit reached) ends the request once
// the tool has retried for the grace, counted from its first retry, and still waits for the
// next try it announced; the failure is the one the panel shows as busy or as the limit, and
// the tool's whole process group is ended. Reconnects for the network are left to the tool,
// which then ends as it does.
TEST_F(CLIProviderRunTest, ARefusingServiceEndsTheRequestAfterTheGrace) {
    using Kind = AssistantProblem::Kind;
    using std::chrono::milliseconds;
    struct Case {
        const char* name;
        const AIProvider& provider;
        const char* replay;
        // The fake stops after the first retries, then before the tool's own end.
        const char* pauses;
        AIError expected;
        std::optional<Kind> problem;  // none: the tool's own end, not the grace
    };
    const Case cases[] = {
        {"claude overloaded", claude, "claude/overloaded.jsonl", "4 12",
         AIError::failed("API Error: 529 overloaded"), Kind::busy},
        {"claude rate limit", claude, "claude/rate-limited.jsonl", "4 12",
         AIError::failed("API Error: 429 rate_limit"), Kind::limitReached},
        {"codex network", codex, "codex/reconnect-failed.jsonl", "4 6",
         AIError::failed("stream disconnected before completion: error sending request for url "
                         "(https://chatgpt.com/backend-api/codex/responses)"),
         std::nullopt},
    };
    for (const Case& c : cases) {
        FakeAITool tool(c.replay);
        bool finished = false;
        std::unique_ptr<ChunkStream> stream = startPaused(c.provider, tool, c.pauses, finished);

        ASSERT_TRUE(tool.waitUntilPaused(1)) << c.name;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return clock.pendingTimers() == (c.problem ? 1 : 0); }, 5000))
            << c.name;
        clock.advance(std::chrono::seconds(10));
        tool.resume();
        ASSERT_TRUE(tool.waitUntilPaused(2)) << c.name;
        QTest::qWait(100);  // the further retries are read meanwhile
        clock.advance(CLIToolRequest::kRefusalGrace - std::chrono::seconds(10) - milliseconds(1));
        QCoreApplication::processEvents();
        if (finished) {
            ADD_FAILURE() << c.name << ": ended before the grace was over";
            continue;
        }
        clock.advance(milliseconds(1));
        if (!c.problem) {
            QCoreApplication::processEvents();
            EXPECT_FALSE(finished) << c.name << ": the network's retries were cut short";
            tool.resume();
        }
        const StreamOutcome outcome = drain(std::move(stream));
        expectEnd(outcome, c.expected, c.name);
        if (c.problem) {
            EXPECT_EQ(ErrorClassifier::classify(c.expected.payload(), ProviderID::claudeCLI).kind(),
                      *c.problem)
                << c.name;
        }
        EXPECT_TRUE(FakeAITool::groupGone(tool.pid())) << c.name;
    }
}

// What the tools print when their service is busy or a limit is reached, read by the provider
// from the stand-in tool. A tool that went quiet after a refusal may be answering and is left
// alone past the grace; one that still retries is ended at its first refusal after the grace,
// with its whole process group. The failure reads as the problem the panel shows.
TEST_F(CLIProviderRunTest, WhatTheToolsPrintWhenTheServiceIsBusyOrALimitIsReached) {
    using std::chrono::seconds;
    constexpr ProviderID codexID = ProviderID::codexCLI;
    const QString unavailable =
        "unexpected status 503 Service Unavailable: The engine is currently overloaded, please "
        "try again later., url: …/v1/responses";
    const QString usageLimit =
        "You’ve hit your usage limit. Upgrade to Pro (…) … or try again at 6:39 PM.";
    struct Case {
        const char* name;
        const AIProvider& provider;
        const char* replay;
        // First stop: right after the first refusal, where the grace runs out; the second one
        // holds the tool after its next line.
        const char* pauses;
        std::optional<AIError> expected;
        std::optional<AssistantProblem> problem = std::nullopt;
        QStringList chunksAfterTheGrace = {};
    };
    const Case cases[] = {
        {"codex blip, then a slow answer", codex, "codex/blip-then-answer.jsonl", "4",
         std::nullopt, std::nullopt, {"[[DRAFT]]\nHallo"}},
        {"codex 503 past the grace", codex, "codex/service-unavailable.jsonl", "4 5",
         AIError::failed(unavailable), AssistantProblem::busy(codexID)},
        {"codex high demand past the grace", codex, "codex/overloaded.jsonl", "4 5",
         AIError::failed(
             "We’re currently experiencing high demand, which may cause temporary errors."),
         AssistantProblem::busy(codexID)},
        {"codex 429 past the grace", codex, "codex/rate-limited.jsonl", "4 5",
         AIError::failed("exceeded retry limit, last status: 429 Too Many Requests, request id: "
                         "9c84b52ce87fbe62-FRA"),
         AssistantProblem::limitReached(codexID)},
        // Its announced wait is long over: the next try is on its way when the grace ends.
        {"claude trying again when the grace ends", claude, "claude/overloaded.jsonl", "3 4",
         AIError::failed("API Error: 529 overloaded"),
         AssistantProblem::busy(ProviderID::claudeCLI)},
        {"codex at capacity", codex, "codex/at-capacity.jsonl", "",
         AIError::failed("Selected model is at capacity. Please try a different model."),
         AssistantProblem::busy(codexID)},
        {"codex usage limit with a time", codex, "codex/usage-limit.jsonl", "",
         AIError::failed(usageLimit), AssistantProblem::limitReached(codexID, "18:39")},
        {"codex quota", codex, "codex/quota.jsonl", "",
         AIError::failed("Quota exceeded. Check your plan and billing details."),
         AssistantProblem::limitReached(codexID)},
        {"codex 429 at once", codex, "codex/too-many-requests.jsonl", "",
         AIError::failed("exceeded retry limit, last status: 429 Too Many Requests"),
         AssistantProblem::limitReached(codexID)},
    };
    // The reset time is shown in the user's format.
    const ScopedLocale german(QLocale(QLocale::German, QLocale::Germany));
    for (const Case& c : cases) {
        FakeAITool tool(c.replay);
        bool finished = false;
        std::unique_ptr<ChunkStream> stream = startPaused(c.provider, tool, c.pauses, finished);
        if (*c.pauses) {
            ASSERT_TRUE(tool.waitUntilPaused(1)) << c.name;
            // The grace runs once the refusal has been read.
            ASSERT_TRUE(QTest::qWaitFor([&] { return clock.pendingTimers() == 1; }, 5000))
                << c.name;
            clock.advance(CLIToolRequest::kRefusalGrace + seconds(5));
            QCoreApplication::processEvents();
            EXPECT_FALSE(finished) << c.name << ": ended while the tool was quiet";
            tool.resume();
        }
        const StreamOutcome outcome = drain(std::move(stream));
        expectEnd(outcome, c.expected, c.name);
        if (!c.chunksAfterTheGrace.isEmpty()) {
            EXPECT_EQ(outcome.chunks, c.chunksAfterTheGrace) << c.name;
        }
        if (c.problem) {
            EXPECT_EQ(ErrorClassifier::classify(c.expected->payload(), *c.problem->provider()),
                      *c.problem)
                << c.name;
        }
        EXPECT_TRUE(FakeAITool::groupGone(tool.pid())) << c.name;
    }
}

// A single blip: the tool gets through within the grace, and the answer arrives as usual.
TEST_F(CLIProviderRunTest, RetriesThatLetUpWithinTheGraceAreWaitedFor) {
    const std::tuple<const char*, const AIProvider&, const char*> cases[] = {
        {"claude", claude, "claude/overloaded-then-answer.jsonl"},
        {"codex", codex, "codex/overloaded-then-answer.jsonl"},
    };
    for (const auto& [name, provider, replay] : cases) {
        FakeAITool tool(replay);
        tool.set("TAVRIN_FAKE_PAUSE", "5");  // after the retries, before the answer
        std::unique_ptr<ChunkStream> stream = provider.stream({"S", "U"});
        ASSERT_TRUE(tool.waitUntilPaused(1)) << name;
        EXPECT_TRUE(QTest::qWaitFor([&] { return clock.pendingTimers() == 1; }, 5000)) << name;
        clock.advance(CLIToolRequest::kRefusalGrace - std::chrono::milliseconds(1));
        tool.resume();
        const StreamOutcome outcome = drain(std::move(stream));
        EXPECT_EQ(outcome.failure, std::nullopt) << name;
        EXPECT_EQ(outcome.chunks, QStringList({control("CONNECTED"), "[[CHAT]]\nJetzt geht es."}))
            << name;
        EXPECT_EQ(clock.pendingTimers(), 0) << name;
    }
}

TEST_F(CLIProviderRunTest, ClaudeRetriesThatRecoverAreWaitedFor) {
    FakeAITool tool("claude/retries-then-answer.jsonl");
    const StreamOutcome outcome = drain(claude.stream({"S", "U"}));
    EXPECT_EQ(outcome.failure, std::nullopt);
    EXPECT_EQ(outcome.chunks, QStringList({control("CONNECTED"), "[[CHAT]]\nDa bin ich."}));
}

TEST_F(CLIProviderRunTest, ToolNotFound) {
    const ClaudeCLIProvider missingClaude("/nonexistent/claude", clock);
    const CodexCLIProvider missingCodex("/nonexistent/codex", clock);
    const std::tuple<const char*, const AIProvider*, QString> cases[] = {
        {"claude", &missingClaude, "Claude Code (claude)"},
        {"codex", &missingCodex, "Codex CLI (codex)"},
    };
    for (const auto& [name, provider, label] : cases) {
        if (CLIEnvironment::locate(name, QString())) {
            std::cout << "a real " << name << " is installed on this machine\n";
            continue;
        }
        FakeAITool tool(QString(name) + "/answer.jsonl");
        expectEnd(drain(provider->stream({"S", "U", kJpeg})), AIError::cliNotFound(label), name);
        EXPECT_FALSE(tool.ran()) << name;
    }
}

// A stale TMPDIR: the image and the tool's start go to /tmp, not to the root folder or to
// wherever the test was started.
TEST_F(CLIProviderRunTest, TemporaryFolderThatDoesNotExist) {
    ScopedEnv gone("TMPDIR", tmp.path() + "/gone");
    for (const AIProvider* provider : std::initializer_list<const AIProvider*>{&claude, &codex}) {
        const bool isCodex = provider == &codex;
        FakeAITool tool(isCodex ? "codex/answer.jsonl" : "claude/answer.jsonl");
        const StreamOutcome outcome = drain(provider->stream({"S", "U", kJpeg}));
        EXPECT_EQ(outcome.failure, std::nullopt);
        EXPECT_EQ(tool.workingDirectory(), "/tmp");
        ASSERT_EQ(tool.images().size(), isCodex ? 1 : 0);
        if (isCodex) {
            EXPECT_EQ(QFileInfo(tool.images().first()).absolutePath(), "/tmp");
            EXPECT_FALSE(QFile::exists(tool.images().first()));
        }
    }
}

TEST_F(CLIProviderRunTest, ClaudeSystemPromptAtTheArgumentLimit) {
    // The last size the kernel accepts still runs; one byte more ends the stream with an
    // explanation instead of a failure to start the tool.
    {
        FakeAITool tool("claude/answer.jsonl");
        const QString system(ClaudeCLIProvider::kMaxArgumentBytes, QLatin1Char('r'));
        EXPECT_EQ(drain(claude.stream({system, "U"})).failure, std::nullopt);
        ASSERT_TRUE(tool.ran());
        EXPECT_EQ(tool.arguments().at(12).size(), ClaudeCLIProvider::kMaxArgumentBytes);
    }
    FakeAITool tool("claude/answer.jsonl");
    // 65,535 two-byte characters and two one-byte ones: short in characters, too long in bytes.
    const StreamOutcome outcome = drain(claude.stream({QString(65535, QChar(0x00FC)) + "ab", "U"}));
    ASSERT_TRUE(outcome.failure && outcome.failure->aiError());
    EXPECT_EQ(outcome.failure->aiError()->kind(), AIError::Kind::failed);
    // Each stored action goes into the instructions too: the message names them with the rest.
    EXPECT_EQ(outcome.failure->errorDescription(),
              "Die Anweisungen an Claude sind zu lang: Sie dürfen höchstens 128 KiB groß sein. "
              "Bitte Wissen, Regeln oder eigene Aktionen in den Einstellungen kürzen.");
    EXPECT_TRUE(outcome.chunks.isEmpty());
    EXPECT_FALSE(tool.ran());
}

TEST_F(CLIProviderRunTest, CodexImageThatCannotBeWritten) {
    FakeAITool tool("codex/answer.jsonl");
    // A temporary "folder" that is a file: nothing can be created inside it.
    QTemporaryFile notAFolder;
    ASSERT_TRUE(notAFolder.open());
    ScopedEnv tmp("TMPDIR", notAFolder.fileName());
    const StreamOutcome outcome = drain(codex.stream({"S", "U", kJpeg}));
    ASSERT_TRUE(outcome.failure && outcome.failure->processError())
        << (outcome.failure ? outcome.failure->errorDescription().toStdString() : "no failure");
    EXPECT_TRUE(outcome.failure->errorDescription().contains("Not a directory"))
        << outcome.failure->errorDescription().toStdString();
    EXPECT_TRUE(outcome.chunks.isEmpty());
    EXPECT_FALSE(tool.ran());
}

// Cancelling or dropping a stream ends the tool and the grandchild that holds its output pipe
// open, and removes the temporary image, whether the tool hangs before or after its replay.
TEST_F(CLIProviderRunTest, CancellingEndsTheToolAndItsChildren) {
    struct Case {
        const char* name;
        const AIProvider& provider;
        const char* replay;
        const char* hang;
        bool destroy;
        int chunksBeforeHang;
    };
    const Case cases[] = {
        {"claude, dropped after", claude, "claude/answer.jsonl", "after", true, 3},
        {"codex, cancelled before", codex, "codex/answer.jsonl", "before", false, 0},
        {"codex, cancelled after", codex, "codex/answer.jsonl", "after", false, 6},
    };
    for (const Case& c : cases) {
        FakeAITool tool(c.replay);
        tool.set("TAVRIN_FAKE_HANG", c.hang);
        std::unique_ptr<ChunkStream> stream = c.provider.stream({"S", "U", kJpeg});
        QStringList chunks;
        QObject::connect(stream.get(), &ChunkStream::chunk,
                         [&](const QString& chunk) { chunks << chunk; });
        const qint64 grandchild = tool.waitForGrandchild();
        ASSERT_GT(grandchild, 0) << c.name;
        EXPECT_TRUE(QTest::qWaitFor([&] { return chunks.size() == c.chunksBeforeHang; }, 20000))
            << c.name;
        ASSERT_EQ(leftoverImages().size(), &c.provider == &codex ? 1 : 0) << c.name;

        if (c.destroy)
            stream.reset();
        else
            stream->cancel();
        EXPECT_EQ(leftoverImages(), QStringList()) << c.name;
        EXPECT_TRUE(FakeAITool::processGone(tool.pid())) << c.name;
        EXPECT_TRUE(FakeAITool::processGone(grandchild)) << c.name;
    }
}
