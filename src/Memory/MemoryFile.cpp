#include "Memory/MemoryFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariant>
#include <cmath>

#include "Projects/StoredJson.h"
#include "Projects/StoredUuid.h"

namespace MemoryFile {

namespace {

// 2001-01-01 00:00:00 UTC in milliseconds since the Unix epoch.
constexpr qint64 referenceEpochMs = 978307200000;
// Dates further out than this (about 31,000 years) cannot be a moment the memory recorded.
constexpr double maximumSeconds = 1e12;

QJsonObject encodeEntry(const MemoryEntry& entry) {
    QJsonObject object;
    object.insert(QStringLiteral("id"), StoredUuid::text(entry.id));
    object.insert(QStringLiteral("date"),
                  double(entry.date.toMSecsSinceEpoch() - referenceEpochMs) / 1000.0);
    if (entry.app)
        object.insert(QStringLiteral("app"), *entry.app);
    if (entry.context)
        object.insert(QStringLiteral("context"), *entry.context);
    object.insert(QStringLiteral("text"), entry.text);
    if (entry.kind)
        object.insert(QStringLiteral("kind"), MemoryEntry::rawValue(*entry.kind));
    return object;
}

QJsonArray encodeEntries(const QList<MemoryEntry>& entries) {
    QJsonArray array;
    for (const MemoryEntry& entry : entries)
        array.append(encodeEntry(entry));
    return array;
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

}  // namespace

QByteArray encode(const MemoryData& data) {
    QJsonObject object;
    object.insert(QStringLiteral("activity"), encodeEntries(data.activity));
    object.insert(QStringLiteral("saved"), encodeEntries(data.saved));
    object.insert(QStringLiteral("styleSignals"), QJsonArray::fromStringList(data.styleSignals));
    object.insert(QStringLiteral("signalsSinceLearning"),
                  static_cast<qint64>(data.signalsSinceLearning));
    QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
    // The stored form escapes every "/". Outside strings compact JSON has no "/", so this
    // touches string contents only, and JSON readers take both spellings alike.
    json.replace('/', QByteArrayLiteral("\\/"));
    return json;
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
    return data;
}

}  // namespace MemoryFile
