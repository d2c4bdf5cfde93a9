#include "Memory/MemoryFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QVariant>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "Storage/JsonPrefix.h"
#include "Storage/StoredJson.h"
#include "Storage/StoredUuid.h"

namespace MemoryFile {

namespace {

// 2001-01-01 00:00:00 UTC in milliseconds since the Unix epoch.
constexpr qint64 referenceEpochMs = 978307200000;
// Dates further out than this (about 31,000 years) cannot be a moment the memory recorded.
constexpr double maximumSeconds = 1e12;

// Writes the compact JSON that QJsonDocument wrote before, byte for byte, in one pass:
// keys in sorted order, strings as UTF-8 with the same escapes, and "/" escaped as well.
// Bytes go straight into the buffer, which is grown ahead of each piece to its largest size.
class Writer {
public:
    explicit Writer(qsizetype expectedSize) { out_.resize(expectedSize); }

    QByteArray take() {
        out_.truncate(used_);
        return std::move(out_);
    }

    void raw(char c) { *room(1) = c; }

    // A key with its quotes and colon; keys are plain ASCII.
    void key(const char* name) {
        const qsizetype length = qsizetype(std::strlen(name));
        char* to = room(length + 3);
        *to++ = '"';
        std::memcpy(to, name, size_t(length));
        to += length;
        *to++ = '"';
        *to = ':';
    }

    void string(const QString& text) {
        const qsizetype size = text.size();
        // Six bytes ("\u" and four digits) is the most one code unit takes.
        char* const start = room(size * 6 + 2);
        char* to = start;
        *to++ = '"';
        const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
        for (qsizetype i = 0; i < size; ++i) {
            const char16_t unit = units[i];
            if (unit < 0x80) {
                if (escapes[unit] == 0) {
                    *to++ = char(unit);
                } else if (escapes[unit] == 'u') {
                    to = escapedUnit(to, unit);
                } else {
                    *to++ = '\\';
                    *to++ = escapes[unit];
                }
            } else if (unit < 0x800) {
                *to++ = char(0xc0 | (unit >> 6));
                *to++ = char(0x80 | (unit & 0x3f));
            } else if (!QChar::isSurrogate(unit)) {
                *to++ = char(0xe0 | (unit >> 12));
                *to++ = char(0x80 | ((unit >> 6) & 0x3f));
                *to++ = char(0x80 | (unit & 0x3f));
            } else if (QChar::isHighSurrogate(unit) && i + 1 < size &&
                       QChar::isLowSurrogate(units[i + 1])) {
                const char32_t code = QChar::surrogateToUcs4(unit, units[++i]);
                *to++ = char(0xf0 | (code >> 18));
                *to++ = char(0x80 | ((code >> 12) & 0x3f));
                *to++ = char(0x80 | ((code >> 6) & 0x3f));
                *to++ = char(0x80 | (code & 0x3f));
            } else {
                to = escapedUnit(to, unit);  // A lone surrogate has no UTF-8 form.
            }
        }
        *to++ = '"';
        used_ -= (size * 6 + 2) - (to - start);
    }

    // Whole numbers up to 2^53 are kept as integers and written without a fraction or
    // exponent (1e9 as 1000000000), as QJsonValue does; every other number in its shortest
    // form. A date cannot be infinite or NaN.
    void number(double value) {
        constexpr double exactIntegers = 9007199254740992.0;
        if (std::trunc(value) == value && std::abs(value) <= exactIntegers)
            append(QByteArray::number(static_cast<qint64>(value)));
        else
            append(QByteArray::number(value, 'g', QLocale::FloatingPointShortest));
    }

    void number(qint64 value) { append(QByteArray::number(value)); }

    // A value kept from the file as it was read, written in the same form as the rest.
    void value(const QJsonValue& value) {
        switch (value.type()) {
            case QJsonValue::Bool:
                append(value.toBool() ? QByteArrayLiteral("true") : QByteArrayLiteral("false"));
                return;
            case QJsonValue::Double:
                // A whole number beyond 2^53 is read as an integer and stays one.
                if (const QVariant whole = value.toVariant(); whole.typeId() == QMetaType::LongLong)
                    number(static_cast<qint64>(whole.toLongLong()));
                else
                    number(value.toDouble());
                return;
            case QJsonValue::String:
                string(value.toString());
                return;
            case QJsonValue::Array: {
                raw('[');
                const QJsonArray array = value.toArray();
                for (qsizetype i = 0; i < array.size(); ++i) {
                    if (i > 0)
                        raw(',');
                    this->value(array.at(i));
                }
                raw(']');
                return;
            }
            case QJsonValue::Object: {
                const QJsonObject object = value.toObject();
                raw('{');
                for (auto it = object.begin(); it != object.end(); ++it) {
                    if (it != object.begin())
                        raw(',');
                    member(it.key(), it.value());
                }
                raw('}');
                return;
            }
            case QJsonValue::Null:
            case QJsonValue::Undefined:
                append(QByteArrayLiteral("null"));
                return;
        }
    }

    void member(const QString& key, const QJsonValue& value) {
        string(key);
        raw(':');
        this->value(value);
    }

private:
    // For each ASCII character: 0 when it is written as it is, else the letter after the
    // backslash ('u' for the \u00XX form).
    static constexpr std::array<char, 128> escapes = [] {
        std::array<char, 128> table{};
        for (int c = 0; c < 0x20; ++c)
            table[c] = 'u';
        table['\b'] = 'b';
        table['\f'] = 'f';
        table['\n'] = 'n';
        table['\r'] = 'r';
        table['\t'] = 't';
        table['"'] = '"';
        table['\\'] = '\\';
        table['/'] = '/';
        return table;
    }();

    static char* escapedUnit(char* to, char16_t unit) {
        static constexpr char hex[] = "0123456789abcdef";
        *to++ = '\\';
        *to++ = 'u';
        *to++ = hex[(unit >> 12) & 0xf];
        *to++ = hex[(unit >> 8) & 0xf];
        *to++ = hex[(unit >> 4) & 0xf];
        *to++ = hex[unit & 0xf];
        return to;
    }

    void append(const QByteArray& bytes) {
        std::memcpy(room(bytes.size()), bytes.constData(), size_t(bytes.size()));
    }

    // `length` bytes at the end of what is written, counted as written.
    char* room(qsizetype length) {
        if (used_ + length > out_.size())
            out_.resize(std::max(out_.size() * 2, used_ + length));
        char* at = out_.data() + used_;
        used_ += length;
        return at;
    }

    QByteArray out_;
    qsizetype used_ = 0;
};

// The keys this version reads and writes, of an entry and of the file's top level.
const QStringList entryKeys{"app", "context", "date", "id", "kind", "text"};
const QStringList topLevelKeys{"activity", "saved", "signalsSinceLearning", "styleSignals"};

// One object's members in key order: the known ones as the caller names them (in key order),
// and between them, where their keys sort, the unknown ones kept from the file.
class Members {
public:
    Members(Writer& out, const QJsonObject& unknown, const QStringList& known)
        : out_(out), next_(unknown.begin()), end_(unknown.end()), known_(known) {
        out_.raw('{');
    }

    // Begins the member `name`; its value follows.
    void key(const char* name) {
        writeUnknownBefore(QLatin1String(name));
        separate();
        out_.key(name);
    }

    void end() {
        writeUnknownBefore(std::nullopt);
        out_.raw('}');
    }

private:
    void separate() {
        if (!first_)
            out_.raw(',');
        first_ = false;
    }

    void writeUnknownBefore(std::optional<QLatin1String> name) {
        for (; next_ != end_ && (!name || next_.key() < *name); ++next_) {
            // A known key is the record's to write, whatever came along with it.
            if (known_.contains(next_.key()))
                continue;
            separate();
            out_.member(next_.key(), next_.value());
        }
    }

    Writer& out_;
    QJsonObject::const_iterator next_;
    const QJsonObject::const_iterator end_;
    const QStringList& known_;
    bool first_ = true;
};

void writeEntry(Writer& out, const MemoryEntry& entry) {
    Members members(out, entry.unknownKeys, entryKeys);
    if (entry.app) {
        members.key("app");
        out.string(*entry.app);
    }
    if (entry.context) {
        members.key("context");
        out.string(*entry.context);
    }
    members.key("date");
    out.number(double(entry.date.toMSecsSinceEpoch() - referenceEpochMs) / 1000.0);
    members.key("id");
    out.string(StoredUuid::text(entry.id));
    if (entry.kind) {
        members.key("kind");
        out.string(MemoryEntry::rawValue(*entry.kind));
    }
    members.key("text");
    out.string(entry.text);
    members.end();
}

void writeEntries(Writer& out, const QList<MemoryEntry>& entries) {
    out.raw('[');
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (i > 0)
            out.raw(',');
        writeEntry(out, entries.at(i));
    }
    out.raw(']');
}

// Room for the whole file, so that it is built without reallocating: texts are mostly ASCII.
qsizetype expectedSize(const MemoryData& data) {
    qsizetype size = 128;
    for (const QList<MemoryEntry>* entries : {&data.activity, &data.saved}) {
        for (const MemoryEntry& entry : *entries) {
            size += 120 + entry.text.size() + (entry.app ? entry.app->size() : 0) +
                    (entry.context ? entry.context->size() : 0);
        }
    }
    for (const QString& signal : data.styleSignals)
        size += 4 + signal.size();
    return size + size / 8;
}

std::optional<QUuid> decodeId(const QJsonValue& value) {
    if (!value.isString())
        return std::nullopt;
    return StoredUuid::parse(value.toString());
}

std::optional<QDateTime> decodeDate(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double seconds = value.toDouble();
    if (!std::isfinite(seconds) || std::abs(seconds) > maximumSeconds)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(std::llround(seconds * 1000.0) + referenceEpochMs,
                                          Qt::UTC);
}

std::optional<MemoryEntry> decodeEntry(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    MemoryEntry entry;

    const std::optional<QUuid> id = decodeId(object.value(QStringLiteral("id")));
    const std::optional<QDateTime> date = decodeDate(object.value(QStringLiteral("date")));
    const QJsonValue text = object.value(QStringLiteral("text"));
    if (!id || !date || !text.isString())
        return std::nullopt;
    entry.id = *id;
    entry.date = *date;
    entry.text = text.toString();

    if (!StoredJson::readOptionalString(object, QStringLiteral("app"), entry.app) ||
        !StoredJson::readOptionalString(object, QStringLiteral("context"), entry.context))
        return std::nullopt;

    std::optional<QString> kind;
    if (!StoredJson::readOptionalString(object, QStringLiteral("kind"), kind))
        return std::nullopt;
    if (kind) {
        entry.kind = MemoryEntry::kindFromRaw(*kind);
        if (!entry.kind)
            return std::nullopt;
    }
    entry.unknownKeys = StoredJson::unknownMembers(object, entryKeys);
    return entry;
}

std::optional<QList<MemoryEntry>> decodeEntries(const QJsonValue& value) {
    if (!value.isArray())
        return std::nullopt;
    QList<MemoryEntry> entries;
    for (const QJsonValue& element : value.toArray()) {
        std::optional<MemoryEntry> entry = decodeEntry(element);
        if (!entry)
            return std::nullopt;
        entries.append(std::move(*entry));
    }
    return entries;
}

std::optional<QStringList> decodeStrings(const QJsonValue& value) {
    if (!value.isArray())
        return std::nullopt;
    QStringList strings;
    for (const QJsonValue& element : value.toArray()) {
        if (!element.isString())
            return std::nullopt;
        strings.append(element.toString());
    }
    return strings;
}

// A whole number; one written with a fraction of zero ("3.0") is still that number.
std::optional<std::int64_t> decodeInteger(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong)
        return variant.toLongLong();
    const double number = value.toDouble();
    // 2^63 is exactly representable; everything below it converts without overflow.
    if (std::trunc(number) != number || number < -9223372036854775808.0 ||
        number >= 9223372036854775808.0)
        return std::nullopt;
    return static_cast<std::int64_t>(number);
}

// The entries of a list that read; `whole` turns false when anything is left out.
QList<MemoryEntry> readEntries(const QJsonValue& value, bool& whole) {
    QList<MemoryEntry> entries;
    if (value.isUndefined() || value.isNull())
        return entries;
    if (!value.isArray()) {
        whole = false;
        return entries;
    }
    for (const QJsonValue& element : value.toArray()) {
        if (std::optional<MemoryEntry> entry = decodeEntry(element))
            entries.append(std::move(*entry));
        else
            whole = false;
    }
    return entries;
}

QStringList readStrings(const QJsonValue& value, bool& whole) {
    QStringList strings;
    if (value.isUndefined() || value.isNull())
        return strings;
    if (!value.isArray()) {
        whole = false;
        return strings;
    }
    for (const QJsonValue& element : value.toArray()) {
        if (element.isString())
            strings.append(element.toString());
        else
            whole = false;
    }
    return strings;
}

}  // namespace

QByteArray encode(const MemoryData& data) {
    Writer out(expectedSize(data));
    Members members(out, data.unknownKeys, topLevelKeys);
    members.key("activity");
    writeEntries(out, data.activity);
    members.key("saved");
    writeEntries(out, data.saved);
    members.key("signalsSinceLearning");
    out.number(static_cast<qint64>(data.signalsSinceLearning));
    members.key("styleSignals");
    out.raw('[');
    for (qsizetype i = 0; i < data.styleSignals.size(); ++i) {
        if (i > 0)
            out.raw(',');
        out.string(data.styleSignals.at(i));
    }
    out.raw(']');
    members.end();
    return out.take();
}

std::optional<MemoryData> decode(const QByteArray& bytes) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    std::optional<QList<MemoryEntry>> activity =
        decodeEntries(object.value(QStringLiteral("activity")));
    std::optional<QList<MemoryEntry>> saved = decodeEntries(object.value(QStringLiteral("saved")));
    std::optional<QStringList> styleSignals =
        decodeStrings(object.value(QStringLiteral("styleSignals")));
    const std::optional<std::int64_t> signalsSinceLearning =
        decodeInteger(object.value(QStringLiteral("signalsSinceLearning")));
    if (!activity || !saved || !styleSignals || !signalsSinceLearning)
        return std::nullopt;

    MemoryData data;
    data.activity = std::move(*activity);
    data.saved = std::move(*saved);
    data.styleSignals = std::move(*styleSignals);
    data.signalsSinceLearning = *signalsSinceLearning;
    data.unknownKeys = StoredJson::unknownMembers(object, topLevelKeys);
    return data;
}

Read read(const QByteArray& bytes) {
    Read result;
    const JsonPrefix::Read document = JsonPrefix::readObject(bytes, topLevelKeys);
    result.whole = document.everyMemberRead;
    result.damaged = !document.whole;
    if (!document.object)
        return result;
    const QJsonObject& object = *document.object;
    result.data.activity = readEntries(object.value(QStringLiteral("activity")), result.whole);
    result.data.saved = readEntries(object.value(QStringLiteral("saved")), result.whole);
    result.data.styleSignals =
        readStrings(object.value(QStringLiteral("styleSignals")), result.whole);
    const QJsonValue counter = object.value(QStringLiteral("signalsSinceLearning"));
    if (const std::optional<std::int64_t> count = decodeInteger(counter))
        result.data.signalsSinceLearning = *count;
    else if (!counter.isUndefined() && !counter.isNull())
        result.whole = false;
    result.data.unknownKeys = StoredJson::unknownMembers(object, topLevelKeys);
    return result;
}

}  // namespace MemoryFile
