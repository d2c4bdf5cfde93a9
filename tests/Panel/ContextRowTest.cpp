#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMenu>
#include <QTextDocument>

#include "Panel/AssistantSession.h"
#include "Panel/ContextRow.h"
#include "Panel/ProjectChip.h"
#include "Platform/fake/FakeApplicationIcons.h"

namespace {

Project project(const QString& name, std::optional<QString> repo = std::nullopt) {
    Project made;
    made.id = QUuid::createUuid();
    made.name = name;
    made.repo = std::move(repo);
    return made;
}

struct Recorder {
    QList<std::optional<Project>> chosen;
    int dismissed = 0;
    int managed = 0;
    QList<Project> projects;
    bool screenHint = false;

    ContextRow::Hooks hooks() {
        return {[this] { return screenHint; }, [this] { return projects; }, [this] { ++dismissed; },
                [this](std::optional<Project> p) { chosen.append(std::move(p)); },
                [this] { ++managed; }};
    }
};

QStringList menuTexts(ProjectChip* chip) {
    QStringList texts;
    std::unique_ptr<QMenu> menu(chip->buildMenu(nullptr));
    // A check box drawn by the menu shows as [ ] or [x].
    for (QAction* action : menu->actions())
        texts.append(action->isSeparator() ? QStringLiteral("—")
                     : action->isCheckable()
                         ? (action->isChecked() ? "[x] " : "[ ] ") + action->text()
                         : action->text());
    return texts;
}

TEST(ContextRowTest, IconTitleDetailAndSpinnerFollowTheSession) {
    Platform::RunningApplication app;
    app.localizedName = QStringLiteral("Gedit");
    app.windowId = 7;
    Platform::FakeApplicationIcons icons;
    icons.icons.insert(7, QImage(36, 36, QImage::Format_ARGB32));
    Recorder recorder;

    AssistantSession without(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    ContextRow globe(without, recorder.hooks(), &icons);
    EXPECT_TRUE(globe.icon().isNull());
    EXPECT_EQ(globe.title(), "Tavrin");
    EXPECT_EQ(globe.detail(), "Eingabefeld");

    AssistantSession session(app, std::nullopt, ProviderID::claudeCLI);
    ContextRow row(session, recorder.hooks(), &icons);
    EXPECT_FALSE(row.icon().isNull());
    EXPECT_EQ(row.title(), "Gedit");
    EXPECT_FALSE(row.isSpinning());

    session.setReadingQuote(true);
    EXPECT_TRUE(row.isSpinning());
    EXPECT_EQ(row.detail(), "Nachricht wird gelesen …");
    ContextSnapshot context;
    context.appName = QStringLiteral("Gedit");
    context.windowTitle = QStringLiteral("notizen.txt - Gedit");
    context.fieldLabel = QStringLiteral("Dokument");
    session.setContext(context);
    EXPECT_EQ(row.title(), "Gedit · notizen.txt");
    session.setQuotePlaceholderHidden(true);
    EXPECT_EQ(row.detail(), "Dokument");
    session.setPhase(AssistantSession::Phase::streaming());
    EXPECT_FALSE(row.isSpinning());

    recorder.screenHint = true;
    session.setPhase(AssistantSession::Phase::ready());
    EXPECT_EQ(row.detail(), "Kein Kontext");
}

TEST(ContextRowTest, CloseButtonDismissesAndTheChipChoosesProjects) {
    Recorder recorder;
    AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
    ContextRow row(session, recorder.hooks(), nullptr);
    row.closeButton()->click();
    EXPECT_EQ(recorder.dismissed, 1);

    // No projects: no divider on top, "Ohne Projekt" marked with its check character.
    EXPECT_EQ(menuTexts(row.projectChip()),
              QStringList({"✓ Ohne Projekt", "—", "Projekte verwalten …"}));

    const Project web = project("Web & App", "ana/web");
    const Project docs = project("<b>Doku</b>");
    recorder.projects = {web, docs};
    // The chosen project is marked as "Ohne Projekt" is: with the check character, no boxes.
    session.setProject(web);
    EXPECT_EQ(menuTexts(row.projectChip()),
              QStringList({"✓ Web && App", "<b>Doku</b>", "—", "Ohne Projekt", "—",
                           "Projekte verwalten …"}));
    EXPECT_EQ(row.projectChip()->toolTip(),
              Qt::convertFromPlainText("Projekt: Web & App · ana/web"));

    std::unique_ptr<QMenu> menu(row.projectChip()->buildMenu(nullptr));
    menu->actions()[0]->trigger();  // the project already chosen, again
    menu->actions()[3]->trigger();
    menu->actions()[5]->trigger();
    ASSERT_EQ(recorder.chosen.size(), 2);
    EXPECT_EQ(recorder.chosen[0], web);
    EXPECT_EQ(recorder.chosen[1], std::nullopt);
    EXPECT_EQ(recorder.managed, 1);

    session.setProject(docs);
    EXPECT_EQ(row.projectChip()->toolTip(), Qt::convertFromPlainText("Projekt: <b>Doku</b>"));
}

}  // namespace
