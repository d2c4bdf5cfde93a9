#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include "Design/StyledButton.h"
#include "SettingsWindow/Blocks/SettingsRow.h"
#include "SettingsWindow/Blocks/SettingsTextField.h"
#include "SettingsWindow/Blocks/SwitchToggle.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Tabs/ProjectCard.h"
#include "SettingsWindow/Tabs/ProjectSettings.h"
#include "SettingsWindow/Tabs/RepoLookup.h"
#include "support/ScopedEnv.h"

namespace {

void settleProjects() {
    for (int pass = 0; pass < 4; ++pass)
        QCoreApplication::processEvents();
}

// A git stand-in: waits `seconds`, then names `remote` as the origin.
QString slowGit(const QTemporaryDir& dir, const QString& seconds, const QString& remote) {
    const QString path = dir.filePath(QStringLiteral("git"));
    QFile script(path);
    EXPECT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\nsleep %1\necho '%2'\n").arg(seconds, remote).toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

Project repoOnly(const QString& name) {
    Project project;
    project.id = QUuid::createUuid();
    project.name = name;
    project.readsCode = true;
    return project;
}

}  // namespace

TEST(ProjectSettingsTest, NormalisesKeywords) {
    const struct {
        const char* typed;
        QStringList stored;
    } cases[] = {
        {" Gruppe ,  Website,,Produkt ,", {"Gruppe", "Website", "Produkt"}},
        {"\tshop\t, shop", {"shop", "shop"}},
        {" , ,", {}},
        {"", {}},
        {"Mein Shop", {"Mein Shop"}},
        // Pasted from a web page or a chat: no-break, thin and ideographic spaces.
        {"\u00A0Shop\u00A0,\u2009Website\u202F,\u3000", {"Shop", "Website"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProjectCard::keywords(QString::fromUtf8(c.typed)), c.stored) << c.typed;
}

// Showing the cards stores the keywords in their normalised form, for every project.
TEST(ProjectSettingsTest, ShowingTheCardsNormalisesTheStoredKeywords) {
    FakeSettingsCoordinator coordinator;
    Project a = repoOnly(QStringLiteral("A"));
    a.keywords = {QStringLiteral(" shop "), QStringLiteral("")};
    Project b = repoOnly(QStringLiteral("B"));
    b.keywords = {QStringLiteral("x,y")};
    coordinator.settings().update([&](auto& s) { s.projects = {a, b}; });
    ProjectSettings tab(coordinator);
    ASSERT_EQ(tab.cards().size(), 2);
    EXPECT_EQ(coordinator.settings().settings().projects[0].keywords, QStringList{"shop"});
    EXPECT_EQ(coordinator.settings().settings().projects[1].keywords, (QStringList{"x", "y"}));
    EXPECT_EQ(tab.cards()[1]->keywordField()->text(), "x,y");
}

TEST(ProjectSettingsTest, AbbreviatesTheHomeFolderOnlyAtAWholePart) {
    const QString home = QStringLiteral("/home/ada");
    const struct {
        const char* path;
        const char* shown;
    } cases[] = {
        {"/home/ada/Projekte/shop", "~/Projekte/shop"},
        {"/home/ada", "~"},
        {"/home/adam/shop", "/home/adam/shop"},
        {"/srv/home/ada/shop", "/srv/home/ada/shop"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProjectCard::abbreviated(QString::fromUtf8(c.path), home), c.shown) << c.path;
}

TEST(ProjectSettingsTest, NamesAndRepositoryForms) {
    EXPECT_EQ(ProjectSettings::projectName(QStringLiteral("shopSync")), "Shopsync");
    EXPECT_EQ(ProjectSettings::projectName(QStringLiteral("mein plugin-ZWEI")), "Mein Plugin-Zwei");
    const struct {
        const char* repo;
        bool accepted;
    } repos[] = {{"acme/shop-sync", true}, {"a/b.c_d", true},     {"acme", false},
                 {"acme/shop/x", false},   {"acme/sh op", false}, {"/shop", false},
                 {"acme/..", false},       {"-acme/shop", false}};
    for (const auto& r : repos)
        EXPECT_EQ(RepoLookup::isOwnerAndName(QString::fromUtf8(r.repo)), r.accepted) << r.repo;
}

TEST(ProjectSettingsTest, AddsAFolderWithItsGitHubRepository) {
    QTemporaryDir parent;
    const QString folder = parent.filePath(QStringLiteral("shopSync"));
    QDir().mkpath(folder);
    ASSERT_EQ(QProcess::execute(QStringLiteral("git"), {"-C", folder, "init", "-q"}), 0);
    ASSERT_EQ(QProcess::execute(QStringLiteral("git"), {"-C", folder, "remote", "add", "origin",
                                                        "git@github.com:acme/shop-sync.git"}),
              0);
    FakeSettingsCoordinator coordinator;
    coordinator.folders.answer = folder;
    ProjectSettings tab(coordinator);
    tab.addFolderButton()->click();
    ASSERT_EQ(coordinator.folders.requests.size(), 1);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return coordinator.settings().settings().projects.value(0).repo.has_value(); }));
    const Project project = coordinator.settings().settings().projects.value(0);
    EXPECT_EQ(project.name, "Shopsync");
    EXPECT_EQ(project.path, folder);
    EXPECT_EQ(project.repo, "acme/shop-sync");
    EXPECT_EQ(project.keywords, QStringList{"shopSync"});
    EXPECT_TRUE(project.readsCode);
    ASSERT_EQ(tab.cards().size(), 1);
    EXPECT_EQ(tab.cards()[0]->repoField()->text(), "acme/shop-sync");

    // Cancelling the dialog changes nothing.
    coordinator.folders.answer.reset();
    tab.addFolderButton()->click();
    EXPECT_EQ(coordinator.settings().settings().projects.size(), 1);
}

// What each folder dialog names as its purpose and where it opens: never the folder Tavrin
// happened to be started from.
TEST(ProjectSettingsTest, FolderDialogsSayWhatForAndOpenAtHome) {
    const QString adding = "Projektordner wählen (z. B. das Git-Repo des Plugins)";
    const struct {
        const char* name;
        bool projectsFolder;
        bool fromCard;
        QString message;
        QString start;
    } cases[] = {
        {"adding, with ~/Projekte", true, false, adding, "/Projekte"},
        {"adding, without ~/Projekte", false, false, adding, ""},
        {"a card's folder", true, true, "Ordner wählen", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir home;
        ScopedEnv env("HOME", home.path());
        if (c.projectsFolder) {
            ASSERT_TRUE(QDir(home.path()).mkdir("Projekte"));
        }
        FakeSettingsCoordinator coordinator;
        coordinator.settings().update(
            [](auto& s) { s.projects = {repoOnly(QStringLiteral("P"))}; });
        ProjectSettings tab(coordinator);
        if (c.fromCard)
            tab.cards()[0]->chooseButton()->click();
        else
            tab.addFolderButton()->click();
        ASSERT_EQ(coordinator.folders.requests.size(), 1);
        EXPECT_EQ(coordinator.folders.requests[0].message, c.message);
        EXPECT_EQ(coordinator.folders.requests[0].start, home.path() + c.start);
    }
}

// git that never answers: the click returns at once, the window keeps working, and the limit
// ends the wait with no repository.
TEST(ProjectSettingsTest, AHangingGitNeitherBlocksNorFillsAnything) {
    QTemporaryDir tools;
    FakeSettingsCoordinator coordinator;
    coordinator.gitProgram = slowGit(tools, QStringLiteral("30"), QStringLiteral("x"));
    coordinator.gitLimit = std::chrono::milliseconds(1200);
    coordinator.folders.answer = tools.path();
    coordinator.settings().update([](auto& s) { s.projects = {repoOnly(QStringLiteral("P"))}; });
    ProjectSettings tab(coordinator);
    QElapsedTimer clock;
    clock.start();
    tab.cards()[0]->chooseButton()->click();
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_EQ(coordinator.settings().settings().projects[0].path, tools.path());
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);
    QTest::qWait(600);
    EXPECT_GE(ticks, 5);
    QThreadPool::globalInstance()->waitForDone(10000);
    settleProjects();
    EXPECT_EQ(coordinator.settings().settings().projects[0].repo, std::nullopt);
}

// A late answer lands only where it still fits.
TEST(ProjectSettingsTest, ALateRepositoryIsAppliedOnlyWhereItStillFits) {
    const struct {
        const char* name;
        const char* remote;
        std::function<void(ProjectSettings&, SettingsStore&)> meanwhile;
        std::optional<QString> repo;
        qsizetype projects;
    } cases[] = {
        {"nothing changed", "https://github.com/acme/late.git", [](auto&, auto&) {}, "acme/late",
         1},
        {"not owner/name", "https://github.com/acme/la%20te.git", [](auto&, auto&) {}, std::nullopt,
         1},
        {"repository typed", "https://github.com/acme/late.git",
         [](ProjectSettings& tab, SettingsStore&) {
             QTest::keyClicks(tab.cards()[0]->repoField(), "me/mine");
         },
         "me/mine", 1},
        {"project removed", "https://github.com/acme/late.git",
         [](ProjectSettings& tab, SettingsStore&) {
             tab.cards()[0]->removeButton()->click();
             settleProjects();
         },
         std::nullopt, 0},
        {"folder removed", "https://github.com/acme/late.git",
         [](ProjectSettings& tab, SettingsStore&) { tab.cards()[0]->clearFolderButton()->click(); },
         std::nullopt, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir tools;
        FakeSettingsCoordinator coordinator;
        coordinator.gitProgram = slowGit(tools, QStringLiteral("0.4"), QString::fromUtf8(c.remote));
        coordinator.folders.answer = tools.path();
        coordinator.settings().update(
            [](auto& s) { s.projects = {repoOnly(QStringLiteral("P"))}; });
        ProjectSettings tab(coordinator);
        tab.cards()[0]->chooseButton()->click();
        c.meanwhile(tab, coordinator.settings());
        QThreadPool::globalInstance()->waitForDone(10000);
        settleProjects();
        const QList<Project>& projects = coordinator.settings().settings().projects;
        ASSERT_EQ(projects.size(), c.projects);
        if (!projects.isEmpty()) {
            EXPECT_EQ(projects[0].repo, c.repo);
        }
    }
}

TEST(ProjectSettingsTest, RemovesTheFolderOrTheWholeProject) {
    FakeSettingsCoordinator coordinator;
    Project withFolder = repoOnly(QStringLiteral("A"));
    withFolder.path = QStringLiteral("/srv/a");
    withFolder.repo = QStringLiteral("acme/a");
    coordinator.settings().update([&](auto& s) {
        s.projects = {withFolder, repoOnly(QStringLiteral("B"))};
    });
    ProjectSettings tab(coordinator);
    ASSERT_EQ(tab.cards().size(), 2);
    ProjectCard* b = tab.cards()[1];
    EXPECT_EQ(b->folderRow()->subtitle(), "kein Ordner – die KI sieht keinen Code");
    EXPECT_TRUE(b->readsCodeSwitch()->isChecked());
    EXPECT_FALSE(b->readsCodeSwitch()->isEnabled());
    EXPECT_TRUE(b->clearFolderButton()->isHidden());

    tab.cards()[0]->clearFolderButton()->click();
    Project a = coordinator.settings().settings().projects[0];
    EXPECT_EQ(a.path, std::nullopt);
    EXPECT_EQ(a.repo, "acme/a");
    EXPECT_TRUE(a.readsCode);
    EXPECT_EQ(tab.cards()[0]->folderRow()->subtitle(), "kein Ordner – die KI sieht keinen Code");

    // Clearing the repository field stores none.
    tab.cards()[0]->repoField()->selectAll();
    QTest::keyClick(tab.cards()[0]->repoField(), Qt::Key_Backspace);
    EXPECT_EQ(coordinator.settings().settings().projects[0].repo, std::nullopt);

    // A double click on "Projekt entfernen" removes its own project once and nothing else.
    tab.cards()[0]->removeButton()->click();
    tab.cards()[0]->removeButton()->click();
    settleProjects();
    ASSERT_EQ(coordinator.settings().settings().projects.size(), 1);
    EXPECT_EQ(coordinator.settings().settings().projects[0].name, "B");

    tab.addRepoButton()->click();
    ASSERT_EQ(coordinator.settings().settings().projects.size(), 2);
    EXPECT_EQ(coordinator.settings().settings().projects[1].name, "Neues Projekt");
}
