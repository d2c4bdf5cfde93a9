#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "Memory/MemoryFile.h"
#include "Storage/StoredUuid.h"

// memory.json files written earlier were made by QJsonDocument with every "/" escaped
// afterwards; the file must stay the same byte for byte, so that form is the reference here.
namespace {

constexpr qint64 referenceEpochMs = 978307200000;

QJsonObject referenceEntry(const MemoryEntry& entry) {
    QJsonObject object = entry.unknownKeys;
    object.insert("id", StoredUuid::text(entry.id));
    object.insert("date", double(entry.date.toMSecsSinceEpoch() - referenceEpochMs) / 1000.0);
    if (entry.app)
        object.insert("app", *entry.app);
    if (entry.context)
        object.insert("context", *entry.context);
    object.insert("text", entry.text);
    if (entry.kind)
        object.insert("kind", MemoryEntry::rawValue(*entry.kind));
    return object;
}

QByteArray referenceEncoding(const MemoryData& data) {
    QJsonArray activity;
    for (const MemoryEntry& entry : data.activity)
        activity.append(referenceEntry(entry));
    QJsonArray saved;
    for (const MemoryEntry& entry : data.saved)
        saved.append(referenceEntry(entry));
    QJsonObject object = data.unknownKeys;
    object.insert("activity", activity);
    object.insert("saved", saved);
    object.insert("styleSignals", QJsonArray::fromStringList(data.styleSignals));
    object.insert("signalsSinceLearning", static_cast<qint64>(data.signalsSinceLearning));
    QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
    json.replace('/', QByteArrayLiteral("\\/"));
    return json;
}

MemoryEntry entryAt(qint64 msSince2001, const QString& text) {
    return {QUuid::createUuid(),
            QDateTime::fromMSecsSinceEpoch(referenceEpochMs + msSince2001, Qt::UTC),
            std::nullopt,
            std::nullopt,
            text,
            std::nullopt};
}

// The encoding must equal the reference and read back as the same content.
void expectSameAsReference(const MemoryData& data, const char* what) {
    const QByteArray json = MemoryFile::encode(data);
    EXPECT_EQ(json, referenceEncoding(data)) << what;
    EXPECT_EQ(MemoryFile::decode(json), data) << what;
}

}  // namespace

TEST(MemoryFileEncodingTest, TrickyTextsInEveryFieldEncodeAsBefore) {
    struct Case {
        const char* what;
        QString text;
    };
    const Case cases[] = {
        {"empty", ""},
        {"slashes", "a/b // c\\/d / https://example.com/x?y=1&z=/"},
        {"backslashes and quotes", R"(C:\Users\"Jo" \\ \" \n)"},
        {"named control characters", "\b\f\n\r\t"},
        {"other control characters", QString::fromUtf16(u"\u0000\u0001\u000b\u001b\u001f x")},
        {"delete and C1 controls", QString::fromUtf16(u"\u007f\u0080\u009f")},
        {"umlauts and typographic quotes", "Grüße „Zitat“ – … ß"},
        {"line and paragraph separators", QString::fromUtf16(u"a\u2028b\u2029c")},
        {"byte order mark and noncharacters", QString::fromUtf16(u"\ufeff\ufffe\uffff")},
        {"emoji with skin tone and joiners",
         QString::fromUtf16(u"\U0001F44D\U0001F3FD \U0001F468\u200D\U0001F469\u200D\U0001F467")},
        {"highest code point", QString::fromUtf16(u"\U0010FFFF")},
        {"lone high surrogate at the end", QString::fromUtf16(u"ab") + QChar(0xD83D)},
        {"lone low surrogate", QChar(0xDE00) + QString("x")},
        {"surrogates in the wrong order", QString(QChar(0xDE00)) + QChar(0xD83D)},
        {"two high surrogates then a low one",
         QString(QChar(0xD83D)) + QChar(0xD83D) + QChar(0xDE00)},
        {"right-to-left and combining marks",
         QString::fromUtf16(u"\u05e9\u05dc\u05d5\u05dd e\u0301")},
        {"looks like JSON", R"({"text":"x"},["/"]})"},
    };
    for (const Case& c : cases) {
        MemoryEntry full = entryAt(1500, c.text);
        full.app = c.text;
        full.context = c.text;
        full.kind = MemoryEntry::Kind::viewed;
        MemoryData data;
        data.activity = {full, entryAt(-2500, c.text)};
        data.saved = {full};
        data.styleSignals = {c.text, c.text + c.text};
        data.signalsSinceLearning = 3;
        expectSameAsReference(data, c.what);
    }
}

// Every UTF-16 code unit on its own, and each beside a neighbour that could pair with it.
TEST(MemoryFileEncodingTest, EveryCodeUnitEncodesAsBefore) {
    MemoryData data;
    for (char32_t unit = 0; unit <= 0xFFFF; ++unit) {
        const QChar c(static_cast<char16_t>(unit));
        data.styleSignals.append(QString(c));
        data.styleSignals.append(QString(c) + QChar(0xDC00) + QChar(0xD800) + c);
    }
    const QByteArray json = MemoryFile::encode(data);
    ASSERT_EQ(json, referenceEncoding(data));
}

TEST(MemoryFileEncodingTest, DatesAndCountersEncodeAsBefore) {
    const qint64 dates[] = {
        0,
        1,
        -1,
        999,
        1000,
        -1000,
        1500,
        786000000123,
        1000000000000,     // whole seconds, 10^9: no exponent
        123456789012000,   // whole seconds beyond 10^11
        -978307200000,     // the Unix epoch
        9007199254740992,  // 2^53 ms
        4102444800000 - referenceEpochMs + 1,
        999999999999999,
        1000000000000000000,  // far beyond any calendar the file reads back
    };
    MemoryData data;
    for (const qint64 ms : dates)
        data.saved.append(entryAt(ms, "x"));
    for (const qint64 counter : {qint64(0), qint64(41), std::numeric_limits<qint64>::max(),
                                 std::numeric_limits<qint64>::min()}) {
        data.signalsSinceLearning = counter;
        EXPECT_EQ(MemoryFile::encode(data), referenceEncoding(data)) << counter;
    }
}

TEST(MemoryFileEncodingTest, EmptyMemoryEncodesAsBefore) {
    expectSameAsReference(MemoryData{}, "empty");
}

// Keys another version stored are written where they sort among the known ones, their values
// in the form of the rest of the file, and read back as they were.
TEST(MemoryFileEncodingTest, UnknownKeysEncodeAsTheRest) {
    const struct {
        const char* what;
        QString key;
        QJsonValue value;
    } cases[] = {
        {"before every known key", "", true},
        {"upper case before lower case", "Zettel", false},
        {"between two known keys", "appendix", QJsonValue::Null},
        {"right after a known key", "texts", "a/b \"c\" \n ü \U0001F600"},
        {"after every known key", "zz", 1.5},
        {"beyond ASCII", "ä/ö", -0.25},
        {"a large number", "n", 1e300},
        {"a whole number beyond 2^53", "n", qint64(12345678901234567)},
        {"a whole number written as a fraction", "n", 3.0},
        {"nested records and lists", "x",
         QJsonObject{{"b/", QJsonArray{1, "zwei", QJsonObject{}, QJsonArray{}}}, {"a", 2}}},
    };
    for (const auto& c : cases) {
        MemoryEntry entry = entryAt(1500, "x");
        entry.app = "Mail";
        entry.kind = MemoryEntry::Kind::wrote;
        entry.unknownKeys = {{c.key, c.value}};
        MemoryData data;
        data.saved = {entry, entryAt(2500, "y")};
        data.unknownKeys = {{c.key, c.value}};
        expectSameAsReference(data, c.what);
    }
}

// A fraction whose value is whole beyond 2^53 ("99999999999999919.7") reads as the same value
// from a whole file and from one cut short, and comes back as itself once written.
TEST(MemoryFileEncodingTest, AWholeFractionBeyondTwoToThe53ReadsBackAsItself) {
    const QByteArray whole = R"({"activity":[],"n":99999999999999919.7,"saved":[],)"
                             R"("signalsSinceLearning":0,"styleSignals":[]})";
    for (const QByteArray& file : {whole, whole.left(whole.indexOf(',', 20)) + " \x1a"}) {
        SCOPED_TRACE(file.toStdString());
        const MemoryFile::Read read = MemoryFile::read(file);
        EXPECT_EQ(read.data.unknownKeys.value("n").toDouble(), 99999999999999920.0);
        EXPECT_EQ(MemoryFile::decode(MemoryFile::encode(read.data)), read.data);
    }
}
