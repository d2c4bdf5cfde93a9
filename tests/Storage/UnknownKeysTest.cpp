// What another version of Tavrin stored and this one does not know: a newer version tried and
// left again, or the folder shared with a second machine.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <functional>

#include "Shelf.h"

namespace {

// An action of a kind this version does not know: it cannot be read, so settings.json is
// written back at start without it.
const QByteArray unknownAction =
    R"({"id":"mail","name":"Mail","trigger":"","kind":"send_mail","instructions":"",)"
    R"("template":"","parameters":[],"builtIn":false})";
const QByteArray action =
    R"({"id":"say","name":"Vorlesen","trigger":"","kind":"shell","instructions":"",)"
    R"("template":"say {{text}}","parameters":["text"],"builtIn":false)";
const QByteArray project =
    R"({"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9","name":"Keramik","keywords":["Ton"],)"
    R"("readsCode":false)";
const QByteArray noteRecord =
    R"({"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F1","date":1,"text":"Türcode")";

QByteArray settingsWith(const QByteArray& members) {
    return R"({"aboutMe":"Anna",)" + members + "}";
}

QByteArray memoryWith(const QByteArray& saved, const QByteArray& more = {}) {
    return R"({"activity":[],"saved":[)" + saved + R"(],"styleSignals":[],)" + more +
           R"("signalsSinceLearning":0})";
}

}  // namespace

// A key this version does not know, at the top level of a file or inside one of its records,
// is written back as it was read: when the file is written back at start, at every change
// after it, and after the next start.
TEST(UnknownKeysTest, AreWrittenBackWithTheFile) {
    const QJsonObject glaze{{"glyph", "🏺"}, {"tint", QJsonArray{1, 0.5, 0}}, {"path", "a/b"}};
    const struct {
        const char* what;
        const char* file;
        QByteArray contents;
        // Where the file keeps the value.
        std::function<QJsonValue(const QJsonObject&)> at;
        QJsonValue value;
    } cases[] = {
        {"a key at the top of settings.json", "settings.json",
         settingsWith(R"("replyFormality":"Sie","customActions":[)" + unknownAction + "]"),
         [](const QJsonObject& o) { return o["replyFormality"]; }, "Sie"},
        {"a key in an action", "settings.json",
         settingsWith(R"("customActions":[)" + action + R"(,"color":"#ff8800"},)" + unknownAction +
                      "]"),
         [](const QJsonObject& o) { return o["customActions"][0]["color"]; }, "#ff8800"},
        {"a key in a project", "settings.json",
         settingsWith(R"("projects":[)" + project +
                      R"(,"glaze":{"glyph":"🏺","tint":[1,0.5,0],"path":"a\/b"}}],)"
                      R"("customActions":[)" +
                      unknownAction + "]"),
         [](const QJsonObject& o) { return o["projects"][0]["glaze"]; }, glaze},
        {"a key in a note", "memory.json", memoryWith(noteRecord + R"(,"pinned":true})"),
         [](const QJsonObject& o) { return o["saved"][0]["pinned"]; }, true},
        {"a key at the top of memory.json", "memory.json",
         memoryWith(noteRecord + "}",
                    R"("notebooks":[{"name":"Arbeit","size":12345678901234},null],)"),
         [](const QJsonObject& o) { return o["notebooks"]; },
         QJsonArray{QJsonObject{{"name", "Arbeit"}, {"size", qint64(12345678901234)}},
                    QJsonValue::Null}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Shelf shelf(false);
        if (!shelf.disk.unavailable().isEmpty())
            GTEST_SKIP() << shelf.disk.unavailable().toStdString();
        const QString path = shelf.folder() + "/" + c.file;
        writeFile(path, c.contents);
        const auto onDisk = [&] { return QJsonDocument::fromJson(readFile(path)).object(); };
        const bool memory = QString(c.file) == "memory.json";
        // A change that writes the file: an insertion remembered, a setting edited.
        const auto change = [&](int n) {
            const QString text = QStringLiteral("Änderung %1").arg(n);
            if (memory) {
                shelf.memory->remember(text, QStringLiteral("Mail"));
                shelf.memory->flush();
            } else {
                shelf.settings->update([&](AssistantSettings& s) { s.knowledge = text; });
            }
            const QJsonObject written = onDisk();
            EXPECT_EQ(memory ? written["saved"].toArray().last()["text"] : written["knowledge"],
                      text);
        };

        shelf.start();
        change(1);
        EXPECT_EQ(c.at(onDisk()), c.value);

        shelf.restart();
        change(2);
        EXPECT_EQ(c.at(onDisk()), c.value);
    }
}
