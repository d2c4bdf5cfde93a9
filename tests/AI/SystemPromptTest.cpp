#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "AI/PromptBuilder.h"
#include "support/Golden.h"

namespace {

// The draft-language segment and everything after it; the role text before it holds blank
// lines of its own.
QString fromDraftLanguage(const QString& prompt) {
    return prompt.mid(prompt.indexOf(QStringLiteral("\n\nDraft language: ")) + 2);
}

}  // namespace

TEST(SystemPromptTest, DefaultSettings) {
    expectGolden(PromptBuilder::system(AssistantSettings(), QStringLiteral("Slack"), std::nullopt,
                                       std::nullopt),
                 QStringLiteral("prompts/system-default.txt"));
}

TEST(SystemPromptTest, EverySectionPresent) {
    AssistantSettings settings;
    settings.replyLanguage = QStringLiteral("Deutsch");
    settings.tonePresets = {TonePreset::professional, TonePreset::warm};
    settings.tone = QStringLiteral("  Locker, aber präzise.");
    settings.learnStyle = true;
    settings.learnedStyle = QStringLiteral("Kurze Sätze, duzt.");
    settings.rules = {QString(), QStringLiteral("Keine Emojis"), QStringLiteral("  "),
                      QStringLiteral(" Signatur weglassen ")};
    settings.customActions = {
        {.id = "deploy",
         .name = "Deployen",
         .trigger = "Wenn deployt werden soll.",
         .kind = AssistantAction::Kind::shell,
         .instructions = " \n",
         .parameters = {"branch"}},
        {.id = "docs",
         .name = "Doku öffnen",
         .trigger = "Wenn der Nutzer die Doku sehen will.",
         .kind = AssistantAction::Kind::openURL,
         .instructions = "Suchbegriff auf Englisch."},
    };
    settings.includeKnowledge = true;
    settings.aboutMe = QStringLiteral("Ich bin Entwickler.");
    settings.knowledge = QStringLiteral("Preise: [PRICE]");

    QTemporaryDir folder;
    Project project;
    project.name = QStringLiteral("Tavrin");
    project.path = folder.path();
    project.repo = QStringLiteral("tavrin/tavrin");
    project.readsCode = true;

    expectGolden(PromptBuilder::system(settings, QStringLiteral("an app"), project,
                                       QStringLiteral("Memory:\n- Anna mag kurze Antworten.")),
                 QStringLiteral("prompts/system-full.txt"));
}

TEST(SystemPromptTest, OptionalSegments) {
    const QString automaticLanguage = QStringLiteral(
        "Draft language: the language of the message being answered, unless the user says "
        "otherwise. The user may talk to you in German; that does not change the draft "
        "language.\n\n");
    const QString actionsStart = QStringLiteral("Available actions:");

    struct Case {
        const char* name;
        std::function<void(AssistantSettings&)> change;
        // The segment that follows the draft-language segment.
        QString thirdSegmentStart;
        QString absent;
    };
    // Each row starts without tone, so that the segment after the draft language is the next
    // one present.
    const Case cases[] = {
        {"blank tone without presets", [](AssistantSettings& s) { s.tone = "   "; }, actionsStart,
         "Tone"},
        {"one-word tone without presets", [](AssistantSettings& s) { s.tone = "knapp"; },
         "Tone and style of drafts:\nknapp\n\nAvailable actions:", "Tone: "},
        {"learned style switched off",
         [](AssistantSettings& s) {
             s.learnStyle = false;
             s.learnedStyle = "Kurz.";
         },
         actionsStart, "How the user writes"},
        {"learned style blank", [](AssistantSettings& s) { s.learnedStyle = " \n"; }, actionsStart,
         "How the user writes"},
        {"only blank rules",
         [](AssistantSettings& s) {
             s.rules = {QString(), " \t"};
         },
         actionsStart, "Hard rules"},
        {"knowledge switched off",
         [](AssistantSettings& s) {
             s.includeKnowledge = false;
             s.aboutMe = "Ich";
             s.knowledge = "Wissen";
         },
         actionsStart, "About the user"},
        {"empty reply language is automatic", [](AssistantSettings& s) { s.replyLanguage.clear(); },
         actionsStart, "Draft language: always"},
    };
    for (const Case& c : cases) {
        AssistantSettings settings;
        settings.tonePresets.clear();
        settings.tone.clear();
        c.change(settings);
        const QString prompt = PromptBuilder::system(settings, QStringLiteral("Mail"), std::nullopt,
                                                     QStringLiteral("Erinnerung"));
        EXPECT_TRUE(fromDraftLanguage(prompt).startsWith(automaticLanguage + c.thirdSegmentStart))
            << c.name;
        EXPECT_FALSE(prompt.contains(c.absent)) << c.name;
        // The memory closes the prompt even when knowledge is switched off.
        EXPECT_TRUE(prompt.endsWith(QStringLiteral("\n\nErinnerung"))) << c.name;
    }
}

TEST(SystemPromptTest, ProjectSegment) {
    Project withoutFolder;
    withoutFolder.name = QStringLiteral("Web");
    withoutFolder.path = QStringLiteral("/nonexistent/tavrin-test-folder");
    withoutFolder.readsCode = true;
    Project emptyRepo = withoutFolder;
    emptyRepo.repo = QString();

    struct Case {
        const char* name;
        std::optional<Project> project;
        QString segment;
    };
    const Case cases[] = {
        {"folder missing", withoutFolder,
         "Current project: Web.\nYou cannot read the code of this project."},
        {"empty repo still named", emptyRepo,
         "Current project: Web.\nGitHub repo:  (used for GitHub actions).\nYou cannot read the "
         "code of this project."},
    };
    for (const Case& c : cases) {
        const QString prompt = PromptBuilder::system(AssistantSettings(), QStringLiteral("Mail"),
                                                     c.project, std::nullopt);
        // Without knowledge or memory, the project closes the prompt.
        EXPECT_TRUE(prompt.endsWith(QStringLiteral("\n\n") + c.segment)) << c.name;
    }
}
