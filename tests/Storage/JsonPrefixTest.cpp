#include <gtest/gtest.h>

#include <QJsonDocument>

#include "Storage/JsonPrefix.h"

// A stored file cut short or damaged in one place keeps what stands whole before the fault,
// and nothing cut into.
TEST(JsonPrefixTest, KeepsWhatStandsWholeBeforeTheFault) {
    const struct {
        const char* what;
        QByteArray bytes;
        // The object kept, compact; none when nothing reads as an object.
        const char* kept;
        bool whole;
    } cases[] = {
        {"a well-formed object", R"({"a":1,"l":["x"]})", R"({"a":1,"l":["x"]})", true},
        {"without its closing brace", "{\"a\": 1,\n \"b\": \"x\"\n", R"({"a":1,"b":"x"})", false},
        {"a text cut short", R"({"a":true,"b":"Über m)", R"({"a":true})", false},
        {"a number at the very end", R"({"a":[1,2],"n":12)", R"({"a":[1,2]})", false},
        {"a list cut inside", R"({"l":["x","y","z)", R"({"l":["x","y"]})", false},
        {"a list element cut inside its own list", R"({"l":[{"k":[1]},{"k":[2,3)",
         R"({"l":[{"k":[1]}]})", false},
        {"a list cut before its first element ends", R"({"a":1,"l":[{"k":)", R"({"a":1})", false},
        {"a record cut short", R"({"a":1,"o":{"x":1,"y":)", R"({"a":1})", false},
        {"a key cut short", R"({"a":1,"b)", R"({"a":1})", false},
        {"a word cut short", R"({"a":1,"b":tr)", R"({"a":1})", false},
        {"nothing after a damaged value", R"({"a":1,"b":x,"c":3})", R"({"a":1})", false},
        {"a leading zero", R"({"a":1,"b":012,"c":3})", R"({"a":1})", false},
        {"bytes after a whole object", R"({"a":1} und mehr)", R"({"a":1})", false},
        {"escapes before a cut", R"({"s":"a\"b\u00fc\ud83d\ude00\/","t":"\u00f)",
         "{\"s\":\"a\\\"b\u00fc\U0001F600/\"}", false},
        {"a byte that is no UTF-8", "{\"a\":1,\"s\":\"\xff\"}", R"({"a":1})", false},
        {"a byte order mark before a cut object", "\xEF\xBB\xBF{\"a\":1,", R"({"a":1})", false},
        {"nesting deeper than any stored file", R"({"a":1,"d":)" + QByteArray(100000, '['),
         R"({"a":1})", false},
        {"an opening brace alone", "{", "{}", false},
        {"a list at the top", "[1,2", nullptr, false},
        {"no JSON at all", "nicht json", nullptr, false},
        {"an empty file", "", nullptr, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const JsonPrefix::Read read = JsonPrefix::readObject(c.bytes);
        EXPECT_EQ(read.whole, c.whole);
        ASSERT_EQ(read.object.has_value(), c.kept != nullptr);
        if (c.kept) {
            EXPECT_EQ(QJsonDocument(*read.object).toJson(QJsonDocument::Compact),
                      QByteArray(c.kept));
        }
    }
}

// Whether every member was read although the bytes were not one well-formed object: the damage
// lies after the last member. A cut right after a member looks like a lost closing brace, so
// that counts only when every key a file of its kind always holds was read.
TEST(JsonPrefixTest, TellsWhenEveryMemberWasRead) {
    const struct {
        const char* what;
        QByteArray bytes;
        QStringList expectedKeys;
        bool everyMemberRead;
    } cases[] = {
        {"a well-formed object", R"({"a":1})", {"a", "b"}, true},
        {"without its closing brace", "{\"a\": 1,\n \"b\": \"x\"\n", {"a", "b"}, true},
        {"without its closing brace after a list and a word",
         R"({"l":["x"],"t":true)",
         {"l", "t"},
         true},
        {"without its closing brace after a record", R"({"o":{"x":1})", {"o"}, true},
        {"NULs after a whole object", QByteArray(R"({"a":1})") + QByteArray(8, '\0'), {"b"}, true},
        {"without its closing brace and an expected key",
         "{\"a\": 1,\n \"b\": \"x\"\n",
         {"a", "b", "c"},
         false},
        {"ending after a comma", R"({"a":1,)", {"a"}, false},
        {"ending after a number, which may go on", R"({"a":1)", {"a"}, false},
        {"a record inside without its closing brace", R"({"o":{"x":"y")", {}, false},
        {"a text cut short", R"({"a":1,"b":"x)", {"a"}, false},
        {"a damaged value", R"({"a":1,"b":x})", {"a"}, false},
        {"an opening brace alone", "{", {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(JsonPrefix::readObject(c.bytes, c.expectedKeys).everyMemberRead,
                  c.everyMemberRead);
    }
}
