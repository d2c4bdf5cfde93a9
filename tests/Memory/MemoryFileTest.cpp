#include <gtest/gtest.h>

#include "Memory/MemoryFile.h"

namespace {

MemoryEntry entry(const QString& id, qint64 msSince2001, std::optional<QString> app,
                  std::optional<QString> context, const QString& text,
                  std::optional<MemoryEntry::Kind> kind) {
    constexpr qint64 referenceEpochMs = 978307200000;
    return {QUuid::fromString(id),
            QDateTime::fromMSecsSinceEpoch(referenceEpochMs + msSince2001, Qt::UTC),
            std::move(app),
            std::move(context),
            text,
            kind};
}

}  // namespace

TEST(MemoryFileTest, WritesTheStoredFormAndReadsItBack) {
    MemoryData data;
    data.activity = {
        entry("0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9", 1500, "Mail", "Angebot", "Danke, passt so.",
              MemoryEntry::Kind::wrote),
        entry("11111111-2222-3333-4444-555555555555", 786000000123, std::nullopt, std::nullopt,
              "Zeile 1\nZeile 2 \U0001F600 a/b", MemoryEntry::Kind::viewed),
    };
    data.saved = {entry("aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee", -2500, "", std::nullopt,
                        "Black Friday 30 % ab 27.11.", std::nullopt)};
    data.styleSignals = {"kürzer, bitte", "ohne \"Hallo\""};
    data.signalsSinceLearning = 41;

    const QByteArray json = MemoryFile::encode(data);
    EXPECT_EQ(MemoryFile::decode(json), data);

    // Compact, UUIDs upper-cased, "/" escaped, absent optionals left out, text as UTF-8.
    EXPECT_FALSE(json.contains('\n'));
    EXPECT_FALSE(json.contains(": "));
    EXPECT_TRUE(json.contains(R"("id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9")"));
    EXPECT_TRUE(json.contains(R"("id":"AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE")"));
    EXPECT_TRUE(json.contains(R"("date":1.5)"));
    EXPECT_TRUE(json.contains(R"("date":-2.5)"));
    EXPECT_TRUE(json.contains(R"("kind":"viewed")"));
    EXPECT_TRUE(json.contains(R"(a\/b)"));
    EXPECT_TRUE(json.contains(QStringLiteral("kürzer").toUtf8()));
    EXPECT_TRUE(json.contains(R"("signalsSinceLearning":41)"));
    EXPECT_EQ(json.count("\"context\""), 1);
    EXPECT_EQ(json.count("\"app\""), 2);
    EXPECT_EQ(json.count("\"kind\""), 2);
}

TEST(MemoryFileTest, ReadsStrictly) {
    // A store whose one activity entry has the given keys.
    const auto withEntry = [](const QByteArray& keys) -> QByteArray {
        return R"({"activity":[{)" + keys +
               R"(}],"saved":[],"styleSignals":["a"],"signalsSinceLearning":2,"extra":{}})";
    };
    const QByteArray id = R"("id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9")";
    const QByteArray required = id + R"(,"date":1.5,"text":"x")";
    struct Case {
        const char* what;
        QByteArray json;
        bool readable;
    };
    const Case cases[] = {
        {"required keys only, unknown keys", withEntry(required), true},
        {"null optionals", withEntry(required + R"(,"app":null,"context":null,"kind":null)"), true},
        {"lower-case id", withEntry(required.toLower()), true},
        {"whole counter written with a fraction",
         R"({"activity":[],"saved":[],"styleSignals":[],"signalsSinceLearning":3.0})", true},
        {"no styleSignals", R"({"activity":[],"saved":[],"signalsSinceLearning":0})", false},
        {"null list", R"({"activity":null,"saved":[],"styleSignals":[],"signalsSinceLearning":0})",
         false},
        {"counter with a fraction",
         R"({"activity":[],"saved":[],"styleSignals":[],"signalsSinceLearning":2.5})", false},
        {"signal that is no string",
         R"({"activity":[],"saved":[],"styleSignals":["a",1],"signalsSinceLearning":0})", false},
        {"unknown kind", withEntry(required + R"(,"kind":"read")"), false},
        {"app as number", withEntry(required + R"(,"app":5)"), false},
        {"no id", withEntry(R"("date":1,"text":"x")"), false},
        {"no date", withEntry(id + R"(,"text":"x")"), false},
        {"no text", withEntry(id + R"(,"date":1)"), false},
        {"id not hexadecimal",
         withEntry(R"("id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8FG","date":1,"text":"x")"), false},
        {"date as text", withEntry(id + R"(,"date":"1","text":"x")"), false},
        {"date beyond any calendar", withEntry(id + R"(,"date":1e300,"text":"x")"), false},
        {"top-level array", "[]", false},
        {"empty file", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MemoryFile::decode(c.json).has_value(), c.readable) << c.what;
}

// At start the store takes what reads and leaves out only what does not, saying whether
// anything was left out (then the file is kept aside for the user).
TEST(MemoryFileTest, ReadsEntryByEntryAtStart) {
    const QByteArray good = R"({"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9","date":1,"text":"x"})";
    const auto store = [](const QByteArray& saved, const QByteArray& rest) -> QByteArray {
        return R"({"activity":[],"saved":[)" + saved + "]" + rest + "}";
    };
    struct Case {
        const char* what;
        QByteArray json;
        qsizetype saved;
        QStringList styleSignals;
        std::int64_t counter;
        bool whole;
    };
    const Case cases[] = {
        {"a note without text among good ones",
         store(good + R"(,{"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F0","date":1},)" + good,
               R"(,"styleSignals":["a"],"signalsSinceLearning":2)"),
         2,
         {"a"},
         2,
         false},
        {"a signal that is no string",
         store(good, R"(,"styleSignals":["a",1,"b"])"),
         1,
         {"a", "b"},
         0,
         false},
        {"a counter with a fraction",
         store(good, R"(,"signalsSinceLearning":2.5)"),
         1,
         {},
         0,
         false},
        {"a list that is no list", store(good, R"(,"styleSignals":"a")"), 1, {}, 0, false},
        {"missing and null lists lose nothing",
         store(good, R"(,"styleSignals":null)"),
         1,
         {},
         0,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const MemoryFile::Read read = MemoryFile::read(c.json);
        EXPECT_EQ(read.data.saved.size(), c.saved);
        EXPECT_EQ(read.data.styleSignals, c.styleSignals);
        EXPECT_EQ(read.data.signalsSinceLearning, c.counter);
        EXPECT_EQ(read.whole, c.whole);
    }
}
