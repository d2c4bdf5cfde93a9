#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentRun>

#include "Projects/ProjectTools.h"
#include "support/Files.h"

namespace {

Project project(const QString& name, const QStringList& keywords) {
    Project p;
    p.id = QUuid::createUuid();
    p.name = name;
    p.keywords = keywords;
    return p;
}

std::optional<QString> matchedName(const QList<Project>& projects, const QString& haystack) {
    const auto found = ProjectTools::match(projects, haystack);
    return found ? std::optional(found->name) : std::nullopt;
}

}  // namespace

TEST(ProjectToolsTest, MatchScoresBySummedTermLength) {
    const Project alpha = project("Alpha", {"fünfx"});
    const Project beta = project("Beta", {"sieben7"});
    const Project gamma = project("Gamma", {"fünfx"});
    struct Case {
        const char* label;
        QList<Project> projects;
        QString haystack;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"longer keyword wins", {alpha, beta}, "fünfx und sieben7", "Beta"},
        {"tie goes to the earlier", {alpha, gamma}, "nur fünfx", "Alpha"},
        {"tie keeps order when reversed", {gamma, alpha}, "nur fünfx", "Gamma"},
        {"name and keyword add up",
         {project("Tavrin", {"foo"}), project("x", {"tavrinx"})},
         "tavrinx foo",
         "Tavrin"},
        {"two-letter keyword never matches", {project("zz", {"ab"})}, "ab ab zz", std::nullopt},
        {"blanks around a keyword are trimmed",
         {project("p", {"\t kiwi\u00A0 "})},
         "eine kiwi",
         "p"},
        {"case ignored on both sides", {project("p", {"ÄPFEL"})}, "äpfel", "p"},
        {"case ignored, haystack upper", {project("p", {"birne"})}, "BIRNE", "p"},
        {"no projects", {}, "anything", std::nullopt},
        {"empty haystack", {alpha, beta}, "", std::nullopt},
        {"repeated term counts once",
         {project("p", {"abc"}), project("q", {"abcd"})},
         "abc abc abc abcd",
         "q"},
        {"equal name and keyword count twice",
         {project("abcd", {"abcd"}), project("q", {"abcdefg"})},
         "abcdefg",
         "abcd"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(matchedName(c.projects, c.haystack), c.expected) << c.label;
}

TEST(ProjectToolsTest, ParseGitHubRepo) {
    const struct {
        QString remote;
        std::optional<QString> expected;
    } cases[] = {
        {"git@github.com:owner/name.git", "owner/name"},
        {"https://github.com/owner/name", "owner/name"},
        {"https://github.com/owner/name/tree/main/src", "owner/name"},
        {"https://github.com//owner//name.git", "owner/name"},
        {"https://github.com/owner", std::nullopt},
        {"https://github.com/owner/", std::nullopt},
        {"git@gitlab.com:owner/name.git", std::nullopt},
        {"https://GitHub.com/owner/name", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProjectTools::parseGitHubRepo(c.remote), c.expected) << c.remote.toStdString();
}

TEST(ProjectToolsTest, DetectRepoReadsOriginOfARealRepository) {
    QTemporaryDir folder;
    const auto git = [&](const QStringList& arguments) {
        return QProcess::execute(QStringLiteral("/usr/bin/git"),
                                 QStringList{"-C", folder.path()} + arguments);
    };
    ASSERT_EQ(git({"init", "-q"}), 0);
    EXPECT_EQ(ProjectTools::detectRepo(folder.path()), std::nullopt) << "no origin";

    ASSERT_EQ(git({"remote", "add", "origin", "git@github.com:owner/name.git"}), 0);
    // Runs on a worker thread, as the settings window calls it.
    const auto found = QtConcurrent::run([&] { return ProjectTools::detectRepo(folder.path()); });
    EXPECT_EQ(found.result(), std::optional<QString>("owner/name"));

    EXPECT_EQ(ProjectTools::detectRepo(folder.path() + "/missing"), std::nullopt);
    EXPECT_EQ(
        ProjectTools::detectRepo(folder.path(), folder.path() + "/no-git", std::chrono::seconds(3)),
        std::nullopt);
}

TEST(ProjectToolsTest, DetectRepoGivesUpOnAHungGit) {
    QTemporaryDir folder;
    const QString script = folder.path() + "/git";
    // The grandchild keeps standard output open; it must not hold the caller.
    writeFile(script, "#!/bin/sh\nsleep 30 &\necho git@github.com:late/repo.git\nsleep 30\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(ProjectTools::detectRepo(folder.path(), script, std::chrono::milliseconds(300)),
              std::nullopt);
    EXPECT_LT(timer.elapsed(), 2500);
}
