#include <gtest/gtest.h>

#include "AI/CodexCLIProvider.h"

namespace {

QString control(const QString& word) {
    return QChar(0x0001) + word;
}

}  // namespace

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
    const QString message =
        R"({"type":"item.completed","item":{"id":"item_%1","type":"agent_message","text":"%2"}})";
    struct Case {
        const char* name;
        QStringList lines;
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
          message.arg(2).arg("Hallo"),
          R"({"type":"turn.completed","usage":{"input_tokens":10,"output_tokens":2}})"},
         {control("CONNECTED"), control("THINKING"), control("TOOL:Bash"), "Hallo"},
         std::nullopt},
        {"later agent messages replace earlier ones",
         {message.arg(1).arg("Erst"), message.arg(2).arg("Dann"), message.arg(3).arg("")},
         {"Erst", control("RESET"), "Dann", control("RESET"), ""},
         std::nullopt},
        {"reconnecting is no failure",
         {R"j({"type":"error","message":"Reconnecting... 1/5 (stream disconnected before completion)"})j",
          message.arg(1).arg("Ok")},
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
        CodexCLIProvider::StreamState state;
        QStringList chunks;
        for (const QString& line : c.lines)
            chunks += state.onLine(line.toUtf8());
        EXPECT_EQ(chunks, c.chunks) << c.name;
        EXPECT_EQ(state.error, c.error) << c.name;
    }
}
