#include "AI/ErrorClassifier.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>
#include <initializer_list>

#include "Platform/InterfaceLocale.h"
#include "Storage/Blanks.h"

namespace ErrorClassifier {
namespace {

using Phrases = std::initializer_list<const char*>;

// Tested in this order; the first list with a phrase in the text decides. Usage limits come
// first because their messages often mention the network or a server status as well.
constexpr Phrases kLimit = {
    "usage limit",    "rate limit", "rate_limit",        "limit reached", "hit your limit",
    "hit your usage", "quota",      "too many requests", "429",           "limit will reset",
    "resets "};
constexpr Phrases kNetwork = {"enotfound",      "getaddrinfo",
                              "econnrefused",   "econnreset",
                              "network",        "could not resolve host",
                              "offline",        "internet connection",
                              "timed out",      "etimedout",
                              "socket hang up", "fetch failed"};
constexpr Phrases kBusy = {"overloaded", "529", "503", "502", "internal server error",
                           "service unavailable", "server_error", "api_error",
                           // codex, when its service is overloaded
                           "experiencing high demand", "at capacity"};
constexpr Phrases kSignIn = {"oauth token has expired",
                             "authentication_error",
                             "invalid api key",
                             "invalid x-api-key",
                             "401",
                             "/login",
                             "not logged in",
                             "please log in",
                             "unauthorized",
                             "token expired",
                             "session expired"};
constexpr Phrases kModelIssue = {"not found", "does not exist", "not available", "not supported",
                                 "invalid model", "no access",
                                 // claude, for a model it does not know
                                 "may not exist"};

bool containsAny(const QString& lowered, Phrases phrases) {
    for (const char* phrase : phrases) {
        if (lowered.contains(QLatin1String(phrase)))
            return true;
    }
    return false;
}

QRegularExpression pattern(const char* source, bool caseInsensitive) {
    QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
    if (caseInsensitive)
        options |= QRegularExpression::CaseInsensitiveOption;
    return QRegularExpression(QString::fromLatin1(source), options);
}

// Some tools end a limit message with "|" and the reset instant in seconds since 1970.
std::optional<QString> resetTimeFromEpoch(const QString& text) {
    static const QRegularExpression epoch = pattern(R"(\|(\d{10}))", false);
    const QRegularExpressionMatch match = epoch.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    qint64 seconds = 0;
    // Unicode-aware \d also admits other scripts' digits, some of them outside the basic plane
    // (two UTF-16 units each); read each code point by its value.
    for (const char32_t digit : match.captured(1).toUcs4())
        seconds = seconds * 10 + QChar::digitValue(digit);
    const QDateTime instant = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toLocalTime();
    return InterfaceLocale::locale().toString(instant.time(), QLocale::ShortFormat);
}

// The times of day in `text` ("6:39 PM", "18:39") written as Germans write them ("18:39");
// anything else stays as written.
QString withLocalTimes(QString text) {
    static const QRegularExpression clock =
        pattern(R"(\b([0-9]{1,2}):([0-9]{2})(\s*([ap])m\b)?)", true);
    qsizetype from = 0;
    for (QRegularExpressionMatch match = clock.match(text); match.hasMatch();
         match = clock.match(text, from)) {
        int hour = match.captured(1).toInt();
        const int minute = match.captured(2).toInt();
        const QString half = match.captured(4).toLower();
        if (!half.isEmpty()) {
            // 12 AM is midnight, 12 PM noon.
            hour = hour < 1 || hour > 12 ? -1 : hour % 12 + (half == QLatin1String("p") ? 12 : 0);
        }
        const QTime time(hour, minute);
        from = match.capturedEnd();
        if (!time.isValid())
            continue;
        const QString local = InterfaceLocale::locale().toString(time, QLocale::ShortFormat);
        text.replace(match.capturedStart(), match.capturedLength(), local);
        from = match.capturedStart() + local.size();
    }
    return text;
}

// When the usage limit resets, as the tool wrote it: a time or a span.
std::optional<QString> resetHint(const QString& text) {
    if (std::optional<QString> time = resetTimeFromEpoch(text))
        return time;

    static const QRegularExpression resets = pattern(R"(resets?\s+(at\s+)?[^.\n]{1,40})", true);
    static const QRegularExpression tryAgain = pattern(R"(try again in\s+[^.\n]{1,30})", true);
    static const QRegularExpression lead = pattern(R"(^(resets?\s+(at\s+)?|try again\s+))", true);
    QRegularExpressionMatch match = resets.match(text);
    if (!match.hasMatch())
        match = tryAgain.match(text);
    if (match.hasMatch())
        return Blanks::trimmed(match.captured(0).remove(lead));

    // codex names the moment in its own 12-hour clock: "try again at 6:39 PM."
    static const QRegularExpression tryAgainAt = pattern(R"(try again at\s+([^.\n]{1,40}))", true);
    match = tryAgainAt.match(text);
    if (match.hasMatch())
        return withLocalTimes(Blanks::trimmed(match.captured(1)));
    return std::nullopt;
}

}  // namespace

AssistantProblem classify(const QString& text, ProviderID provider) {
    const QString lowered = text.toLower();
    if (containsAny(lowered, kLimit))
        return AssistantProblem::limitReached(provider, resetHint(text));
    if (containsAny(lowered, kNetwork))
        return AssistantProblem::offline();
    if (containsAny(lowered, kBusy))
        return AssistantProblem::busy(provider);
    if (containsAny(lowered, kSignIn))
        return AssistantProblem::notSignedIn(provider);
    if (lowered.contains(QLatin1String("model")) && containsAny(lowered, kModelIssue))
        return AssistantProblem::modelUnavailable(provider);
    return AssistantProblem::generic(text);
}

}  // namespace ErrorClassifier
