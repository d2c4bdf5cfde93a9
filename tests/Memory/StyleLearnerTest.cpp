#include <gtest/gtest.h>

#include <QLocale>

#include "Memory/StyleLearner.h"
#include "Settings/AssistantSettings.h"

namespace {

const QString signalsHeading = QStringLiteral(
    "Recent signals (own dictated texts, and corrections the user asked for on drafts):\n");

class StyleLearnerTest : public ::testing::Test {
protected:
    StyleLearnerTest() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    ~StyleLearnerTest() override { QLocale::setDefault(QLocale::system()); }

    AssistantSettings settings;
};

}  // namespace

TEST_F(StyleLearnerTest, NothingToLearnFrom) {
    EXPECT_EQ(StyleLearner::request("- duzt", " \n\t\n ", {}, settings), std::nullopt);
    EXPECT_EQ(StyleLearner::request(QString(), QString(), {}, settings), std::nullopt);
}

TEST_F(StyleLearnerTest, FullRequest) {
    const std::optional<AIRequest> request =
        StyleLearner::request("- duzt\n", "Hi Anna,\npasst!\n",
                              {"Correction asked on a draft: kürzer", "Bis gleich"}, settings);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->system,
              QStringLiteral(
                  "You describe HOW a person writes, so an assistant can write replies in their "
                  "voice. Look only at style, never at content: greeting and sign-off habits, "
                  "du/Sie or formality, typical length, sentence rhythm, emojis and punctuation "
                  "habits, recurring phrases, what they ask to remove or change in drafts.\n"
                  "Output 4-8 short bullet points (\"- \u2026\"), in German, max 90 words in "
                  "total. Only state patterns that the evidence clearly shows; no guesses, no "
                  "names, no private facts. Output only the bullets."));
    EXPECT_EQ(request->user,
              QStringLiteral("Current description (refine it, keep what still holds):\n"
                             "- duzt\n\n\n"
                             "Texts the user wrote themselves:\n\"\"\"\nHi Anna,\npasst!\n\n"
                             "\"\"\"\n\n") +
                  signalsHeading + "- Correction asked on a draft: kürzer\n- Bis gleich");
    EXPECT_EQ(request->imageJPEG, std::nullopt);
    EXPECT_EQ(request->projectFolder, std::nullopt);
}

TEST_F(StyleLearnerTest, SectionsThatArePresent) {
    QStringList many;
    for (int i = 1; i <= 45; ++i)
        many.append(QStringLiteral("s%1").arg(i));
    QString listed;
    for (int i = 6; i <= 45; ++i)
        listed += QStringLiteral("- s%1").arg(i) + (i < 45 ? "\n" : "");
    // 6002 characters; the 6000th is one character of two code units.
    const QString longExamples = QString(5999, QLatin1Char('a')) + "e\u0301bc";

    struct Case {
        const char* what;
        QString current;
        QString examples;
        QStringList styleSignals;
        QString user;
    };
    const Case cases[] = {
        {"examples without signals",
         "  \n",
         " Hallo ",
         {},
         "Texts the user wrote themselves:\n\"\"\"\n Hallo \n\"\"\"\n\n"},
        {"signals alone", QString(), "\n", {"eins"}, signalsHeading + "- eins"},
        {"the last 40 of 45 signals", QString(), QString(), many, signalsHeading + listed},
        {"examples cut to 6000 characters",
         QString(),
         longExamples,
         {},
         "Texts the user wrote themselves:\n\"\"\"\n" + longExamples.left(6001) + "\n\"\"\"\n\n"},
        {"current description with signals",
         "- kurz",
         QString(),
         {"eins"},
         "Current description (refine it, keep what still holds):\n- kurz\n\n" + signalsHeading +
             "- eins"},
    };
    for (const Case& c : cases) {
        const std::optional<AIRequest> request =
            StyleLearner::request(c.current, c.examples, c.styleSignals, settings);
        ASSERT_TRUE(request) << c.what;
        EXPECT_EQ(request->user, c.user) << c.what;
    }
}

TEST_F(StyleLearnerTest, Model) {
    struct Case {
        ProviderID provider;
        QString claudeModel;
        QString codexModel;
        std::optional<QString> model;
    };
    const Case cases[] = {
        {ProviderID::claudeCLI, "opus", "gpt-5", "haiku"},
        {ProviderID::codexCLI, "opus", "", std::nullopt},
        {ProviderID::codexCLI, "opus", " gpt-5 ", "gpt-5"},
    };
    for (const Case& c : cases) {
        settings.provider = c.provider;
        settings.claudeModel = c.claudeModel;
        settings.codexModel = c.codexModel;
        EXPECT_EQ(StyleLearner::request(QString(), QString(), {"x"}, settings)->model, c.model)
            << c.codexModel.toStdString();
    }
}

TEST_F(StyleLearnerTest, AsksInTheUsersLanguageWhenTheApplicationOffersIt) {
    const struct {
        QLocale locale;
        QString name;
    } cases[] = {
        {QLocale(QLocale::German, QLocale::Austria), "German"},
        {QLocale(QLocale::French, QLocale::France), "English"},
        {QLocale::c(), "English"},
    };
    for (const auto& c : cases) {
        QLocale::setDefault(c.locale);
        EXPECT_EQ(StyleLearner::replyLanguageName(), c.name) << c.locale.name().toStdString();
        const std::optional<AIRequest> request =
            StyleLearner::request(QString(), QString(), {"x"}, settings);
        EXPECT_TRUE(request->system.contains("), in " + c.name + ", max 90 words"));
    }
}
