#include "Platform/linux/QSettingsUserDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "Platform/AppPaths.h"
#include "Platform/PrivateFile.h"
#include "Platform/SystemLog.h"
#include "Platform/UnreadableFile.h"
#include "Platform/UserNotices.h"

namespace Platform {

namespace {

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Letters, digits and "-_." stay; everything else is written as %XX or %UXXXX, which QSettings
// reads back as the character. A "/" escaped this way stays part of the key instead of
// opening a group.
QByteArray escapedKey(const QString& key) {
    QByteArray out;
    for (const QChar c : key) {
        const char16_t unit = c.unicode();
        const bool plain = (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z') ||
                           (unit >= u'0' && unit <= u'9') || unit == u'-' || unit == u'_' ||
                           unit == u'.';
        if (plain)
            out += char(unit);
        else if (unit < 0x100)
            out += '%' + QByteArray::number(unit, 16).toUpper().rightJustified(2, '0');
        else
            out += "%U" + QByteArray::number(unit, 16).toUpper().rightJustified(4, '0');
    }
    return out;
}

// Always in quotes, so that commas, semicolons, "=" and spaces at either end stay part of
// one text; quotes, backslashes and control characters escaped; the rest as UTF-8.
QByteArray quotedText(const QString& text) {
    QString out = QStringLiteral("\"");
    bool escapeHexDigit = false;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        // "\x1" followed by "2" would read as "\x12".
        if (escapeHexDigit && isHexDigit(c)) {
            out += QStringLiteral("\\x") + QString::number(unit, 16);
            continue;
        }
        escapeHexDigit = false;
        if (unit == u'"' || unit == u'\\') {
            out += QLatin1Char('\\');
            out += c;
        } else if (unit == u'\n') {
            out += QStringLiteral("\\n");
        } else if (unit == u'\r') {
            out += QStringLiteral("\\r");
        } else if (unit == u'\t') {
            out += QStringLiteral("\\t");
        } else if (unit < 0x20 || unit == 0x7f) {
            out += QStringLiteral("\\x") + QString::number(unit, 16);
            escapeHexDigit = true;
        } else {
            out += c;
        }
    }
    out += QLatin1Char('"');
    return out.toUtf8();
}

// QSettings marks its own type tags with "@", and a text beginning with one with two.
QByteArray quotedValue(const QString& text) {
    return quotedText(text.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + text : text);
}

// The value as QSettings reads it back. Tavrin stores texts and the boolean false; a file
// written by hand or by an earlier version may hold a list (an unquoted comma makes one) or
// another type: it is kept as text rather than dropped, or lost with every later save.
QByteArray valueText(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Bool:
            return value.toBool() ? "true" : "false";
        case QMetaType::QStringList: {
            QByteArrayList items;
            for (const QString& item : value.toStringList())
                items.append(quotedValue(item));
            return items.join(", ");
        }
        default:
            return quotedValue(value.toString());
    }
}

}  // namespace

QSettingsUserDefaults::QSettingsUserDefaults(const QString& file, SystemLog* log,
                                             UserNotices* notices)
    : file_(file),
      failures_(log, notices, QStringLiteral("Kurzbefehle konnten nicht gespeichert werden: "),
                QCoreApplication::translate(
                    "UserDefaults",
                    "Kurzbefehle konnten nicht gespeichert werden: %1\nDeine Änderung gilt, bis "
                    "Tavrin beendet wird; die nächste Änderung speichert alles erneut.")) {
    // A folder made here is Tavrin's own and private like the data folder; one that is there
    // already is left as it is. When it cannot be made, the first save says so.
    if (const QString folder = QFileInfo(file_).absolutePath(); !QFileInfo::exists(folder))
        AppPaths::makePrivateFolder(folder);
    PrivateFile::removeLeftovers(file_);
    load(log, notices);
}

void QSettingsUserDefaults::load(SystemLog* log, UserNotices* notices) {
    const QFileInfo info(file_);
    if (!info.exists())
        return;
    QFile probe(file_);
    bool readable = probe.open(QIODevice::ReadOnly);
    probe.close();
    if (readable) {
        const QSettings settings(file_, QSettings::IniFormat);
        readable = settings.status() == QSettings::NoError;
        if (readable) {
            for (const QString& key : settings.allKeys())
                values_.insert(key, settings.value(key));
        }
    }
    if (readable)
        return;

    const std::optional<QString> kept =
        UnreadableFile::setAside(file_, QDateTime::currentDateTimeUtc());
    keepOldFile_ = !kept;
    if (log) {
        log->log(
            kept ? QStringLiteral("%1 ließ sich nicht lesen; aufbewahrt als %2").arg(file_, *kept)
                 : QStringLiteral("%1 ließ sich nicht lesen und nicht aufbewahren").arg(file_));
    }
    if (notices) {
        notices->tell(
            kept ? QCoreApplication::translate(
                       "UserDefaults",
                       "Deine Kurzbefehle ließen sich nicht lesen; es gelten die "
                       "Standardwerte.\nDie Datei, wie sie war, liegt unter %1.")
                       .arg(AppPaths::shownPath(*kept))
                 : QCoreApplication::translate(
                       "UserDefaults",
                       "Deine Kurzbefehle ließen sich nicht lesen; es gelten die "
                       "Standardwerte.\nDie Datei %1 bleibt, wie sie ist: Änderungen werden nicht "
                       "gespeichert.")
                       .arg(AppPaths::shownPath(file_)));
    }
}

void QSettingsUserDefaults::setValue(const QString& key, const QVariant& value) {
    values_.insert(key, value);
    save();
}

void QSettingsUserDefaults::remove(const QString& key) {
    values_.remove(key);
    save();
}

void QSettingsUserDefaults::save() {
    if (keepOldFile_) {
        if (const auto error =
                UnreadableFile::setAsideBeforeSaving(file_, QDateTime::currentDateTimeUtc())) {
            failures_.failed(*error);
            return;
        }
        keepOldFile_ = false;
    }
    if (const std::optional<QString> error = PrivateFile::write(file_, iniText(values_))) {
        failures_.failed(*error);
        return;
    }
    failures_.succeeded();
}

QByteArray QSettingsUserDefaults::iniText(const QMap<QString, QVariant>& values) {
    QByteArray out = "[General]\n";
    for (auto it = values.begin(); it != values.end(); ++it) {
        out += escapedKey(it.key()) + '=' + valueText(it.value()) + '\n';
    }
    return out;
}

}  // namespace Platform
