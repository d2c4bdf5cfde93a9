#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include "AI/QuoteExtractor.h"
#include "Platform/fake/FakeClock.h"
#include "support/FakeAITool.h"
#include "support/Golden.h"

namespace {

// Answers every text with one fixed hypothesis (or none).
class ScriptedRecognizer final : public LanguageRecognizer {
public:
    explicit ScriptedRecognizer(std::optional<Hypothesis> answer) : answer_(std::move(answer)) {}
    std::optional<Hypothesis> dominantLanguage(const QString& text) const override {
        seen = text;
        return answer_;
    }
    mutable QString seen;

private:
    std::optional<Hypothesis> answer_;
};

}  // namespace

TEST(QuoteExtractorTest, Parse) {
    struct Case {
        const char* name;
        QString answer;
        std::optional<LanguageRecognizer::Hypothesis> detected;
        std::optional<QuotedMessage> expected;
    };
    const Case cases[] = {
        {"prose around the object",
         R"(Hier ist es: {"author": "Anna Berg", "message": "Kommst du?", "language": "de"} fertig.)",
         std::nullopt, QuotedMessage{"Anna Berg", "Kommst du?", "de", false}},
        {"no message", R"({"author": null, "message": null, "language": "en"})", std::nullopt,
         std::nullopt},
        {"blank message", R"({"author": "A", "message": "  \n ", "language": "en"})", std::nullopt,
         std::nullopt},
        {"message not a string", R"({"message": 5})", std::nullopt, std::nullopt},
        {"trimmed message, blank author, region code",
         R"({"author": "   ", "message": "  Hi there \n", "language": "EN-us"})", std::nullopt,
         QuotedMessage{std::nullopt, "Hi there", "en", false}},
        {"local detection wins", R"({"author": " Bo ", "message": "Danke", "language": "en"})",
         LanguageRecognizer::Hypothesis{"de", 0.95}, QuotedMessage{"Bo", "Danke", "de", false}},
        {"weak detection is ignored", R"({"message": "Danke", "language": "en"})",
         LanguageRecognizer::Hypothesis{"de", 0.599},
         QuotedMessage{std::nullopt, "Danke", "en", false}},
        {"detection without model language", R"({"message": "Danke", "author": 3})",
         LanguageRecognizer::Hypothesis{"de", 0.6},
         QuotedMessage{std::nullopt, "Danke", "de", false}},
        {"language not a string", R"({"message": "x", "language": 7})", std::nullopt,
         QuotedMessage{std::nullopt, "x", std::nullopt, false}},
        {"empty language", R"({"message": "x", "language": ""})", std::nullopt,
         QuotedMessage{std::nullopt, "x", "", false}},
        {"closing brace before the opening one", R"(} oops {)", std::nullopt, std::nullopt},
        {"no braces", "Ich sehe keine Nachricht.", std::nullopt, std::nullopt},
        {"not JSON", R"({author: "A", message: "B"})", std::nullopt, std::nullopt},
        {"array around an object", R"([{"message": "x"}])", std::nullopt,
         QuotedMessage{std::nullopt, "x", std::nullopt, false}},
    };
    for (const Case& c : cases) {
        const ScriptedRecognizer recognizer(c.detected);
        EXPECT_EQ(QuoteExtractor::parse(c.answer, recognizer), c.expected) << c.name;
    }
}

TEST(QuoteExtractorTest, DetectionRunsOnTheTrimmedMessage) {
    const ScriptedRecognizer recognizer(std::nullopt);
    QuoteExtractor::parse(R"({"message": "  Hallo Welt  "})", recognizer);
    EXPECT_EQ(recognizer.seen, "Hallo Welt");
}

TEST(QuoteExtractorTest, ParseThread) {
    auto objects = [](int count) {
        QStringList items;
        for (int i = 1; i <= count; ++i)
            items << QString(R"({"a": "P%1", "m": "M%1"})").arg(i);
        return "[" + items.join(",") + "]";
    };
    auto messages = [](int from, int to) {
        QList<ThreadMessage> list;
        for (int i = from; i <= to; ++i)
            list.append(ThreadMessage{QString("P%1").arg(i), QString("M%1").arg(i)});
        return list;
    };
    struct Case {
        const char* name;
        QString answer;
        QList<ThreadMessage> expected;
    };
    const Case cases[] = {
        {"twenty keep the last fifteen", objects(20), messages(6, 20)},
        {"sixteen keep the last fifteen", objects(16), messages(2, 16)},
        {"fifteen keep all", objects(15), messages(1, 15)},
        {"prose and trimming",
         R"(Klar: [{"a": " Eva ", "m": " Hallo "}, {"a": null, "m": "Hi"}, {"a": "  ", "m": "Yo"}] ok)",
         {{"Eva", "Hallo"}, {std::nullopt, "Hi"}, {std::nullopt, "Yo"}}},
        {"unusable messages are dropped",
         R"([{"a": "A", "m": "  "}, {"a": "B"}, {"m": 3}, {"a": "C", "m": "ok"}])",
         {{"C", "ok"}}},
        {"a string among objects", R"([{"a": "A", "m": "x"}, "y"])", {}},
        {"empty", "[]", {}},
        {"no brackets", "nichts", {}},
        {"closing bracket first", "] [", {}},
        {"an object, not an array", R"({"a": "A", "m": "x"})", {}},
        {"broken JSON", R"([{"a": "A", "m": "x"},])", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QuoteExtractor::parseThread(c.answer), c.expected) << c.name;
}

TEST(QuoteExtractorTest, Cld2Recognizer) {
    const std::pair<QString, std::optional<QString>> cases[] = {
        {"Vielen Dank für deine Nachricht, ich melde mich morgen bei dir.", "de"},
        {"Thanks for the update, I will get back to you tomorrow.", "en"},
        {"Merci beaucoup pour votre réponse rapide, à bientôt.", "fr"},
        {"שלום, מה שלומך היום? נתראה מחר בבוקר.", "he"},
        {"ok", std::nullopt},
        {"12345 !!!", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(QuoteExtractor::detectLanguage(text), expected) << text.toStdString();
}

TEST(QuoteExtractorTest, ExtractionRequest) {
    ContextSnapshot context;
    EXPECT_EQ(QuoteExtractor::extractionRequest(context, ProviderID::claudeCLI), std::nullopt);

    context.screenshotJPEG = QByteArray("\xff\xd8 jpeg");
    struct Case {
        bool cropped;
        std::optional<QString> label;
        ProviderID provider;
        QString golden;
        std::optional<QString> model;
    };
    const Case cases[] = {
        {true, "Antwort an Jonas", ProviderID::claudeCLI, "prompts/extraction-cropped-labelled.txt",
         "haiku"},
        {false, std::nullopt, ProviderID::codexCLI, "prompts/extraction-window.txt", std::nullopt},
    };
    for (const Case& c : cases) {
        context.screenshotCroppedToField = c.cropped;
        context.fieldLabel = c.label;
        const std::optional<AIRequest> request =
            QuoteExtractor::extractionRequest(context, c.provider);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->system,
                  "You extract data from screenshots. Output only JSON, nothing else.");
        expectGolden(request->user, c.golden);
        EXPECT_EQ(request->imageJPEG, context.screenshotJPEG);
        EXPECT_EQ(request->model, c.model);
        EXPECT_EQ(request->projectFolder, std::nullopt);
    }

    // A present but empty label still names the field.
    context.fieldLabel = QString("");
    EXPECT_TRUE(QuoteExtractor::extractionRequest(context, ProviderID::codexCLI)
                    ->user.startsWith("The user is about to type into a text field in the "
                                      "screenshot. The text field is labeled: \"\".\nWhich"));
}

namespace {

// Runs extract() to its answer.
std::optional<std::optional<QuotedMessage>> extractNow(const ContextSnapshot& context,
                                                       ProviderID provider,
                                                       const AssistantSettings& settings) {
    std::optional<std::optional<QuotedMessage>> result;
    QEventLoop loop;
    Platform::FakeClock clock;
    const std::unique_ptr<ChunkStream> handle = QuoteExtractor::extract(
        context, provider, settings, clock, [&](std::optional<QuotedMessage> quote) {
            result = quote;
            loop.quit();
        });
    EXPECT_FALSE(result) << "answered before returning";
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    return result;
}

}  // namespace

TEST(QuoteExtractorTest, ExtractWithEitherTool) {
    AssistantSettings settings;
    settings.claudePath = FakeAITool::path("claude");
    settings.codexPath = FakeAITool::path("codex");
    settings.claudeModel = "opus";
    settings.codexModel = "gpt-5-codex";
    ContextSnapshot context;
    context.screenshotJPEG = QByteArray("\xff\xd8 jpeg");

    {
        FakeAITool tool("claude/quote.jsonl");
        const auto quote = extractNow(context, ProviderID::claudeCLI, settings);
        ASSERT_TRUE(quote);
        EXPECT_EQ(*quote, (QuotedMessage{"Jonas Weber",
                                         "Kannst du mir bis Freitag die überarbeitete Fassung "
                                         "schicken?",
                                         "de", false}));
        const QStringList arguments = tool.arguments();
        EXPECT_EQ(arguments.mid(arguments.indexOf("--model"), 2),
                  QStringList({"--model", "haiku"}));
    }
    {
        FakeAITool tool("codex/quote.jsonl");
        const auto quote = extractNow(context, ProviderID::codexCLI, settings);
        ASSERT_TRUE(quote);
        EXPECT_EQ(*quote,
                  (QuotedMessage{"Maria", "Thanks for the update, I will get back to you tomorrow.",
                                 "en", false}));
        // The configured Codex model is not used for reading screenshots.
        EXPECT_FALSE(tool.arguments().contains("-m"));
        EXPECT_EQ(tool.images().size(), 1);
    }
}

TEST(QuoteExtractorTest, ExtractGivesNothingOnFailure) {
    const std::optional<std::optional<QuotedMessage>> kNoQuote(std::in_place, std::nullopt);
    AssistantSettings settings;
    settings.claudePath = FakeAITool::path("claude");
    ContextSnapshot context;
    {
        // No screenshot: no request at all.
        FakeAITool tool("claude/quote.jsonl");
        EXPECT_EQ(extractNow(context, ProviderID::claudeCLI, settings), kNoQuote);
        EXPECT_FALSE(tool.ran());
    }
    context.screenshotJPEG = QByteArray("\xff\xd8 jpeg");
    {
        FakeAITool tool("claude/not-signed-in.jsonl");
        tool.set("TAVRIN_FAKE_EXIT", "1");
        EXPECT_EQ(extractNow(context, ProviderID::claudeCLI, settings), kNoQuote);
        EXPECT_TRUE(tool.ran());
    }
    {
        // An answer without JSON.
        FakeAITool tool("claude/answer.jsonl");
        EXPECT_EQ(extractNow(context, ProviderID::claudeCLI, settings), kNoQuote);
    }
}

TEST(QuoteExtractorTest, ThreadRequest) {
    ContextSnapshot context;
    EXPECT_EQ(QuoteExtractor::threadRequest(context, ProviderID::claudeCLI), std::nullopt);

    context.screenshotJPEG = QByteArray("\xff\xd8 jpeg");
    const auto claude = QuoteExtractor::threadRequest(context, ProviderID::claudeCLI);
    const auto codex = QuoteExtractor::threadRequest(context, ProviderID::codexCLI);
    ASSERT_TRUE(claude && codex);
    expectGolden(claude->user, "prompts/thread.txt");
    EXPECT_EQ(claude->system, "You extract data from screenshots. Output only JSON, nothing else.");
    EXPECT_EQ(claude->imageJPEG, context.screenshotJPEG);
    EXPECT_EQ(claude->model, "haiku");
    EXPECT_EQ(codex->model, std::nullopt);
    EXPECT_EQ(codex->projectFolder, std::nullopt);
}
