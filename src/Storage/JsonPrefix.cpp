#include "Storage/JsonPrefix.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cmath>

#include "Platform/Utf8.h"

namespace JsonPrefix {

namespace {

// Deeper than any file Tavrin writes by far; keeps the recursion's stack small on any input.
constexpr int depthLimit = 256;

// One value and whether it ended before the fault.
struct Parsed {
    QJsonValue value;
    bool complete = false;
};

// Reads JSON until the first byte that does not fit, and stops there for good: each reader
// returns what it has so far, marked incomplete, and its caller decides what of it to keep.
class Parser {
public:
    explicit Parser(const QByteArray& bytes)
        : at_(bytes.constData()), end_(bytes.constData() + bytes.size()) {
        // A byte order mark left by an editor is not part of the document.
        if (end_ - at_ >= 3 && at_[0] == '\xEF' && at_[1] == '\xBB' && at_[2] == '\xBF')
            at_ += 3;
    }

    std::optional<Parsed> topLevelObject() {
        skipSpace();
        if (!peek('{'))
            return std::nullopt;
        return object(0);
    }

    // The top-level object stopped at the end of the bytes, right after a complete member.
    bool endedAfterAMember() const { return endedAfterAMember_; }

private:
    Parsed value(int depth) {
        skipSpace();
        if (at_ == end_)
            return {};
        switch (*at_) {
            case '{':
                return depth < depthLimit ? object(depth + 1) : Parsed{};
            case '[':
                return depth < depthLimit ? array(depth + 1) : Parsed{};
            case '"':
                if (std::optional<QString> text = string())
                    return {*text, true};
                return {};
            case 't':
                return literal("true", true);
            case 'f':
                return literal("false", false);
            case 'n':
                return literal("null", QJsonValue::Null);
            default:
                return number();
        }
    }

    Parsed object(int depth) {
        ++at_;
        QJsonObject object;
        skipSpace();
        if (take('}'))
            return {object, true};
        for (;;) {
            skipSpace();
            if (!peek('"'))
                return {object, false};
            const std::optional<QString> key = string();
            skipSpace();
            if (!key || !take(':'))
                return {object, false};
            const Parsed member = value(depth);
            if (!member.complete) {
                // A list keeps the elements that stood whole before the cut.
                if (member.value.isArray() && !member.value.toArray().isEmpty())
                    object.insert(*key, member.value);
                return {object, false};
            }
            object.insert(*key, member.value);
            skipSpace();
            if (take('}'))
                return {object, true};
            if (!take(',')) {
                endedAfterAMember_ = depth == 0 && at_ == end_;
                return {object, false};
            }
        }
    }

    Parsed array(int depth) {
        ++at_;
        QJsonArray array;
        skipSpace();
        if (take(']'))
            return {array, true};
        for (;;) {
            const Parsed element = value(depth);
            if (!element.complete)
                return {array, false};
            array.append(element.value);
            skipSpace();
            if (take(']'))
                return {array, true};
            if (!take(','))
                return {array, false};
        }
    }

    // The text between the quotes; none when it is cut short or malformed.
    std::optional<QString> string() {
        ++at_;
        QString text;
        const char* run = at_;
        // The plain bytes since the last escape, which must be UTF-8 on their own.
        const auto endRun = [&]() {
            const std::optional<QString> plain =
                Utf8::decodeStrictly(QByteArray::fromRawData(run, at_ - run));
            if (plain)
                text += *plain;
            return plain.has_value();
        };
        while (at_ != end_) {
            const unsigned char c = static_cast<unsigned char>(*at_);
            if (c < 0x20)
                return std::nullopt;
            if (c == '"') {
                if (!endRun())
                    return std::nullopt;
                ++at_;
                return text;
            }
            if (c != '\\') {
                ++at_;
                continue;
            }
            if (!endRun() || !escape(text))
                return std::nullopt;
            run = at_;
        }
        return std::nullopt;
    }

    // One escape after the backslash at `at_`, appended to `text`.
    bool escape(QString& text) {
        ++at_;
        if (at_ == end_)
            return false;
        const char c = *at_++;
        switch (c) {
            case '"':
            case '\\':
            case '/':
                text += QLatin1Char(c);
                return true;
            case 'b':
                text += QLatin1Char('\b');
                return true;
            case 'f':
                text += QLatin1Char('\f');
                return true;
            case 'n':
                text += QLatin1Char('\n');
                return true;
            case 'r':
                text += QLatin1Char('\r');
                return true;
            case 't':
                text += QLatin1Char('\t');
                return true;
            case 'u':
                return codeUnits(text);
            default:
                return false;
        }
    }

    // "\uXXXX". Half of a surrogate pair is kept as it is, as QJsonDocument keeps it in a
    // file that reads whole.
    bool codeUnits(QString& text) {
        const std::optional<char16_t> unit = hexUnit();
        if (unit)
            text += QChar(*unit);
        return unit.has_value();
    }

    std::optional<char16_t> hexUnit() {
        if (end_ - at_ < 4)
            return std::nullopt;
        char16_t unit = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = *at_++;
            const int value = (c >= '0' && c <= '9')   ? c - '0'
                              : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                              : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                       : -1;
            if (value < 0)
                return std::nullopt;
            unit = char16_t(unit * 16 + value);
        }
        return unit;
    }

    Parsed literal(const char* word, QJsonValue result) {
        for (const char* c = word; *c; ++c) {
            if (!take(*c))
                return {};
        }
        return {result, true};
    }

    // A number counts only once something ends it: "12" at the very end may have been 123.
    Parsed number() {
        const char* start = at_;
        take('-');
        // No leading zero before further digits.
        if (take('0') ? (at_ != end_ && *at_ >= '0' && *at_ <= '9') : !digits())
            return {};
        bool integer = true;
        if (take('.')) {
            integer = false;
            if (!digits())
                return {};
        }
        if (take('e') || take('E')) {
            integer = false;
            if (!take('+'))
                take('-');
            if (!digits())
                return {};
        }
        if (at_ == end_ || !(isSpace(*at_) || *at_ == ',' || *at_ == '}' || *at_ == ']'))
            return {};
        const QByteArray text = QByteArray::fromRawData(start, at_ - start);
        bool ok = false;
        if (integer) {
            const qint64 whole = text.toLongLong(&ok);
            if (ok)
                return {whole, true};
        }
        const double real = text.toDouble(&ok);
        if (!ok || !std::isfinite(real))
            return {};
        // A whole value that fits is an integer, as the whole file's reader takes it
        // (99999999999999919.7 is 99999999999999920): the value reads the same either way.
        if (std::trunc(real) == real && real >= -9223372036854775808.0 &&
            real < 9223372036854775808.0)
            return {static_cast<qint64>(real), true};
        return {real, true};
    }

    // One or more digits.
    bool digits() {
        const char* start = at_;
        while (at_ != end_ && *at_ >= '0' && *at_ <= '9')
            ++at_;
        return at_ != start;
    }

    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    void skipSpace() {
        while (at_ != end_ && isSpace(*at_))
            ++at_;
    }

    bool peek(char c) const { return at_ != end_ && *at_ == c; }

    bool take(char c) {
        if (!peek(c))
            return false;
        ++at_;
        return true;
    }

    const char* at_;
    const char* end_;
    bool endedAfterAMember_ = false;
};

}  // namespace

Read readObject(const QByteArray& bytes, const QStringList& expectedKeys) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error == QJsonParseError::NoError) {
        if (!document.isObject())
            return {};
        return {document.object(), true, true};
    }
    Parser parser(bytes);
    const std::optional<Parsed> top = parser.topLevelObject();
    if (!top)
        return {};
    Read read{top->value.toObject(), false, top->complete};
    if (parser.endedAfterAMember()) {
        read.everyMemberRead = std::all_of(
            expectedKeys.begin(), expectedKeys.end(),
            [&](const QString& key) { return read.object->contains(key); });
    }
    return read;
}

}  // namespace JsonPrefix
