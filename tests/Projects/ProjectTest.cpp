#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include "Projects/Project.h"
#include "support/Files.h"
#include "support/ScopedEnv.h"

namespace {

QJsonValue parse(const char* json) {
    return QJsonDocument::fromJson(json).object();
}

}  // namespace

TEST(ProjectTest, FolderURLResolvesHomeAndAcceptsFiles) {
    QTemporaryDir home;
    ScopedEnv homeVar("HOME", home.path());
    ASSERT_TRUE(QDir(home.path()).mkpath("code/tavrin"));
    writeFile(home.path() + "/notes.txt");

    const struct {
        std::optional<QString> path;
        std::optional<QString> expected;
    } cases[] = {
        {"~/code/tavrin", home.path() + "/code/tavrin"},
        {"~", home.path()},
        {home.path() + "/notes.txt", home.path() + "/notes.txt"},
        {"~/missing", std::nullopt},
        {"", std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        Project project;
        project.path = c.path;
        EXPECT_EQ(project.folderURL(), c.expected) << c.path.value_or("<none>").toStdString();
    }
}

TEST(ProjectTest, JsonRoundTripLeavesOutAbsentPathAndRepo) {
    Project project;
    project.id = QUuid::createUuid();
    project.name = "Tavrin";
    project.keywords = {"panel", "assistant"};
    project.readsCode = true;

    QJsonObject json = project.toJson();
    EXPECT_FALSE(json.contains("path"));
    EXPECT_FALSE(json.contains("repo"));
    EXPECT_EQ(Project::fromJson(json), project);

    project.path = "~/code";
    project.repo = "owner/name";
    json = project.toJson();
    EXPECT_EQ(json.value("path").toString(), "~/code");
    EXPECT_EQ(Project::fromJson(json), project);
}

TEST(ProjectTest, ReadingIsStrictAboutRequiredKeys) {
    const struct {
        const char* json;
        bool readable;
    } cases[] = {
        {R"({"id":"0E4C9A1B-2F3D-4C5E-8A7B-1C2D3E4F5A6B","name":"n","keywords":[],"readsCode":false})",
         true},
        {R"({"id":"0e4c9a1b-2f3d-4c5e-8a7b-1c2d3e4f5a6b","name":"n","keywords":["k"],"readsCode":true,"path":null,"repo":null,"extra":1})",
         true},
        {R"({"id":"0E4C9A1B-2F3D-4C5E-8A7B-1C2D3E4F5A6B","name":"n","keywords":[]})", false},
        {R"({"id":"0E4C9A1B-2F3D-4C5E-8A7B-1C2D3E4F5A6B","keywords":[],"readsCode":false})", false},
        {R"({"name":"n","keywords":[],"readsCode":false})", false},
        {R"({"id":"not-a-uuid","name":"n","keywords":[],"readsCode":false})", false},
        {R"({"id":"{0E4C9A1B-2F3D-4C5E-8A7B-1C2D3E4F5A6B}","name":"n","keywords":[],"readsCode":false})",
         false},
        {R"({"id":"0E4C9A1B-2F3D-4C5E-8A7B-1C2D3E4F5A6B\n","name":"n","keywords":[],"readsCode":false})",
         false},
        {R"({"id":"0E4C9A1B-2F3D-4C5E-8A7B-1C2D3E4F5A6B","name":"n","keywords":[1],"readsCode":false})",
         false},
        {R"({"id":"0E4C9A1B-2F3D-4C5E-8A7B-1C2D3E4F5A6B","name":"n","keywords":[],"readsCode":"yes"})",
         false},
        {R"({"id":"0E4C9A1B-2F3D-4C5E-8A7B-1C2D3E4F5A6B","name":"n","keywords":[],"readsCode":false,"path":5})",
         false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Project::fromJson(parse(c.json)).has_value(), c.readable) << c.json;
}
