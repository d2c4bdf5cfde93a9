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
    const QByteArray validEntry =
        R"({"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9","date":1.5,"text":"x"})";
    const auto file = [](const QByteArray& activity, const QByteArray& rest = {}) {
        return R"({"activity":[)" + activity +
               R"(],"saved":[],"styleSignals":["a"],"signalsSinceLearning":2)" + rest + "}";
    };
    struct Case {
        const char* what;
        QByteArray json;
        bool readable;
    };
    const Case cases[] = {
        {"empty store", R"({"activity":[],"saved":[],"styleSignals":[],"signalsSinceLearning":0})",
         true},
        {"one entry with required keys only", file(validEntry), true},
        {"unknown keys", file(validEntry, R"(,"version":3,"extra":{"a":[]})"), true},
        {"null optionals",
         file(R"({"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9","date":1,"text":"x","app":null,)"
              R"("context":null,"kind":null})"),
         true},
        {"lower-case id",
         file(R"({"id":"0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9","date":1,"text":""})"), true},
        {"whole counter written with a fraction",
         R"({"activity":[],"saved":[],"styleSignals":[],"signalsSinceLearning":3.0})", true},
        {"no styleSignals", R"({"activity":[],"saved":[],"signalsSinceLearning":0})", false},
        {"no activity", R"({"saved":[],"styleSignals":[],"signalsSinceLearning":0})", false},
        {"no saved", R"({"activity":[],"styleSignals":[],"signalsSinceLearning":0})", false},
        {"no counter", R"({"activity":[],"saved":[],"styleSignals":[]})", false},
        {"counter with a fraction",
         R"({"activity":[],"saved":[],"styleSignals":[],"signalsSinceLearning":2.5})", false},
        {"counter as text",
         R"({"activity":[],"saved":[],"styleSignals":[],"signalsSinceLearning":"2"})", false},
        {"null list", R"({"activity":null,"saved":[],"styleSignals":[],"signalsSinceLearning":0})",
         false},
        {"signal that is no string",
         R"({"activity":[],"saved":[],"styleSignals":["a",1],"signalsSinceLearning":0})", false},
        {"unknown kind",
         file(R"({"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9","date":1,"text":"x","kind":"read"})"),
         false},
        {"kind in other case",
         file(
             R"({"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9","date":1,"text":"x","kind":"Wrote"})"),
         false},
        {"no id", file(R"({"date":1,"text":"x"})"), false},
        {"no date", file(R"({"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9","text":"x"})"), false},
        {"no text", file(R"({"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9","date":1})"), false},
        {"id in braces",
         file(R"({"id":"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}","date":1,"text":"x"})"), false},
        {"id not hexadecimal",
         file(R"({"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8FG","date":1,"text":"x"})"), false},
        {"date as text",
         file(R"({"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9","date":"1","text":"x"})"), false},
        {"date beyond any calendar",
         file(R"({"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9","date":1e300,"text":"x"})"), false},
        {"app as number",
         file(R"({"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9","date":1,"text":"x","app":5})"),
         false},
        {"entry that is no object", file("[]"), false},
        {"one bad entry among good ones", file(validEntry + R"(,{"date":1,"text":"x"})"), false},
        {"top-level array", "[]", false},
        {"not JSON", "activity", false},
        {"empty file", "", false},
        {"cut short", file(validEntry).chopped(1), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MemoryFile::decode(c.json).has_value(), c.readable) << c.what;
}
