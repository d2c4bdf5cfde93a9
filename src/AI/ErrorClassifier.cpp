#include "AI/ErrorClassifier.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <initializer_list>

#include "Projects/Blanks.h"

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
                           "experiencing high demand"};
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
    return QLocale().toString(instant.time(), QLocale::ShortFormat);
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
    if (!match.hasMatch())
        return std::nullopt;

    return Blanks::trimmed(match.captured(0).remove(lead));
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
