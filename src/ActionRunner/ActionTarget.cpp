#include "ActionRunner/ActionTarget.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include "Actions/ShellCommand.h"
#include "Actions/TemplateRefusal.h"

namespace ActionTarget {

namespace {

QString text(const char* german) {
    return QCoreApplication::translate("ActionRunner", german);
}

bool isHexDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// A template may hold what no URL can: a space, "|", "{", a "%" that starts no escape. Those
// are percent-encoded, as a browser's address bar does, so that the link is opened instead of
// refused; escapes already there and letters beyond ASCII (which QUrl takes as they are) stay.
QString encodeWhatAUrlCannotHold(const QString& link) {
    static const QLatin1String unfit(" \"<>\\^`{|}");
    QString encoded;
    encoded.reserve(link.size());
    for (qsizetype i = 0; i < link.size(); ++i) {
        const QChar c = link.at(i);
        const bool startsEscape = c == QLatin1Char('%') && i + 2 < link.size() &&
                                  isHexDigit(link.at(i + 1)) && isHexDigit(link.at(i + 2));
        const bool fits =
            c.unicode() >= 0x80 || (c.unicode() > 0x20 && c.unicode() != 0x7F &&
                                    !unfit.contains(c) && (c != QLatin1Char('%') || startsEscape));
        if (fits)
            encoded += c;
        else
            encoded +=
                QLatin1Char('%') +
                QString::number(c.unicode(), 16).rightJustified(2, QLatin1Char('0')).toUpper();
    }
    return encoded;
}

// The values of a link come from the model, which reads the screen: they may complete a web
// address, but what kind of thing is opened (a local file, a script, another program) is
// for the template alone to say.
bool mayOpen(const QUrl& url, const QString& templateText) {
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return true;
    const QString written = templateText.left(templateText.indexOf(QLatin1String("{{")));
    return written.startsWith(scheme + QLatin1Char(':'), Qt::CaseInsensitive);
}

struct Slot {
    qsizetype start;
    qsizetype end;
    QString name;
};

// The placeholders of `text` from left to right, read the way the filling reads them.
QList<Slot> slotsOf(const QString& text, const QStringList& names) {
    QList<Slot> found;
    qsizetype i = text.indexOf(QLatin1String("{{"));
    while (i >= 0) {
        qsizetype next = i + 1;
        for (const QString& name : names) {
            const QString placeholder = QStringLiteral("{{") + name + QStringLiteral("}}");
            if (QStringView(text).sliced(i).startsWith(placeholder)) {
                found.append({i, i + placeholder.size(), name});
                next = i + placeholder.size();
                break;
            }
        }
        i = text.indexOf(QLatin1String("{{"), next);
    }
    return found;
}

// Where the host of a template lies: after the first "://" written in the template, up to the
// first "/", "?" or "#" it writes; the placeholders that stand in it and whether the template
// writes any host text of its own there.
struct HostPart {
    bool found = false;
    bool writesText = false;
    QStringList names;
};

HostPart hostPart(const QString& templateText, const QStringList& names) {
    const QList<Slot> placed = slotsOf(templateText, names);
    const auto inSlot = [&](qsizetype position) {
        return std::any_of(placed.begin(), placed.end(), [&](const Slot& s) {
            return position >= s.start && position < s.end;
        });
    };
    HostPart part;
    qsizetype scheme = -1;
    for (qsizetype i = templateText.indexOf(QLatin1String("://")); i >= 0;
         i = templateText.indexOf(QLatin1String("://"), i + 1)) {
        if (!inSlot(i)) {
            scheme = i;
            break;
        }
    }
    if (scheme < 0)
        return part;
    part.found = true;
    qsizetype hostEnd = templateText.size();
    for (qsizetype i = scheme + 3; i < templateText.size(); ++i) {
        if (inSlot(i))
            continue;
        const QChar c = templateText.at(i);
        if (c == QLatin1Char('/') || c == QLatin1Char('?') || c == QLatin1Char('#')) {
            hostEnd = i;
            break;
        }
        part.writesText = true;
    }
    for (const Slot& s : placed) {
        if (s.start < hostEnd && !part.names.contains(s.name))
            part.names.append(s.name);
    }
    return part;
}

// The names whose values land in a host the template writes part of itself (the "acme" of
// "https://{{team}}.atlassian.net", the "{{path}}" of "https://github.com{{path}}"). Where
// the template writes no host text at all, the value is the whole host and the card shows it.
QStringList namesInWrittenHost(const QString& templateText, const QStringList& names) {
    const HostPart part = hostPart(templateText, names);
    return part.writesText ? part.names : QStringList();
}

bool fitsInHost(const QString& value) {
    return std::all_of(value.cbegin(), value.cend(), [](QChar c) {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
               (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
               (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
               c == QLatin1Char('.');
    });
}

}  // namespace

std::optional<QString> issueNumber(const QString& value) {
    // A number in any script's decimal digits, handed on in ASCII, as gh reads it.
    static const QRegularExpression one(
        QStringLiteral(R"(^\s*(?:issue\s*)?#?\s*(\d+)\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch match = one.match(value);
    if (!match.hasMatch())
        return std::nullopt;
    QString digits;
    for (const char32_t c : match.captured(1).toUcs4())
        digits += QLatin1Char(char('0' + QChar::digitValue(c)));
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    if (digits == QLatin1String("0"))
        return std::nullopt;
    return digits;
}

std::variant<Link, QString> link(const AssistantAction& action,
                                 const QMap<QString, QString>& params) {
    if (std::optional<QString> refused = linkTemplateRefusal(action.templateText))
        return *refused;
    for (const QString& name : namesInWrittenHost(action.templateText, action.parameters)) {
        if (!fitsInHost(params.value(name)))
            return text(
                       "Der Wert von „%1“ steht im Servernamen des Links und darf dort nur "
                       "Buchstaben, Ziffern, „-“ und „.“ enthalten.")
                .arg(name);
    }
    // Everything but the URL-query characters (less & = + ? #) is percent-encoded.
    const auto encode = [](const QString& value) {
        return QString::fromLatin1(QUrl::toPercentEncoding(value, "!$'()*,-./:;@_~"));
    };
    QList<ShellCommand::Placeholder> placeholders;
    for (const QString& name : action.parameters)
        placeholders.append({name, params.value(name)});
    const QString filled = ShellCommand::fill(action.templateText, placeholders, encode);

    const QUrl url(encodeWhatAUrlCannotHold(filled), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || !mayOpen(url, action.templateText))
        return text("Ungültiger Link: ") + filled;
    return Link{url, url.toString(QUrl::FullyEncoded), url.host(QUrl::FullyEncoded).toLower()};
}

std::optional<QString> templateHost(const AssistantAction& action) {
    const HostPart part = hostPart(action.templateText, action.parameters);
    if (action.kind != AssistantAction::Kind::openURL || !part.found || !part.names.isEmpty())
        return std::nullopt;
    QMap<QString, QString> plain;
    for (const QString& name : action.parameters)
        plain.insert(name, QStringLiteral("x"));
    const auto finished = link(action, plain);
    const auto* written = std::get_if<Link>(&finished);
    if (!written || written->host.isEmpty())
        return std::nullopt;
    return written->host;
}

std::optional<QString> repository(const QMap<QString, QString>& params,
                                  const std::optional<Project>& project) {
    const QString given = params.value(QStringLiteral("repo"));
    if (!given.isEmpty())
        return given;
    if (project && project->repo && !project->repo->isEmpty())
        return *project->repo;
    return std::nullopt;
}

std::optional<QString> refusal(const AssistantAction& action,
                               const QMap<QString, QString>& params) {
    switch (action.kind) {
        case AssistantAction::Kind::githubComment: {
            const QString value = params.value(QStringLiteral("issue"));
            // No number at all is a question the run asks; more than one is a guess it
            // must not make.
            static const QRegularExpression digit(QStringLiteral("\\d"),
                                                  QRegularExpression::UseUnicodePropertiesOption);
            if (value.contains(digit) && !issueNumber(value))
                return text("„%1“ ist keine einzelne Issue-Nummer.").arg(value.simplified());
            return std::nullopt;
        }
        case AssistantAction::Kind::openURL: {
            const std::variant<Link, QString> finished = link(action, params);
            if (const auto* message = std::get_if<QString>(&finished))
                return *message;
            return std::nullopt;
        }
        case AssistantAction::Kind::githubIssue:
        case AssistantAction::Kind::shell:
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace ActionTarget
