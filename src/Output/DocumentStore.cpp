#include "Output/DocumentStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstring>

#include "Platform/AppPaths.h"
#include "Platform/Characters.h"
#include "Platform/Clock.h"
#include "Platform/PrivateFile.h"

namespace DocumentStore {

namespace {

constexpr int kTitleLength = 80;
constexpr int kSlugLength = 60;

QString fallbackTitle() {
    return QStringLiteral("Dokument");
}

// Spaces and tabs, and the carriage return that a reply with Windows line endings leaves at
// the end of its first line.
bool isLineBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

QString trimLine(const QString& line) {
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && isLineBlank(line.at(begin)))
        ++begin;
    while (end > begin && isLineBlank(line.at(end - 1)))
        --end;
    return line.mid(begin, end - begin);
}

QString trimDashes(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char('-'))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char('-'))
        --end;
    return text.mid(begin, end - begin);
}

// The first line of a trimmed reply without its leading number signs and blanks; empty
// when the reply is a single line.
QString titleLine(const QString& trimmed) {
    const qsizetype lineFeed = trimmed.indexOf(QLatin1Char('\n'));
    if (lineFeed < 0)
        return {};
    QString first = trimLine(trimmed.left(lineFeed));
    while (first.startsWith(QLatin1Char('#')))
        first.remove(0, 1);
    return trimLine(first);
}

QString dropDiacritics(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString kept;
    kept.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category category = c.category();
        if (category != QChar::Mark_NonSpacing && category != QChar::Mark_Enclosing)
            kept.append(c);
    }
    return kept.normalized(QString::NormalizationForm_C);
}

// "für" is written "fuer" in a file name, as Germans write it without umlauts; dropping the
// dots would make it "fur", another word.
QString withGermanLettersSpelledOut(const QString& text) {
    static const std::pair<QChar, QLatin1String> spelled[] = {
        {QChar(u'ä'), QLatin1String("ae")}, {QChar(u'ö'), QLatin1String("oe")},
        {QChar(u'ü'), QLatin1String("ue")}, {QChar(u'Ä'), QLatin1String("Ae")},
        {QChar(u'Ö'), QLatin1String("Oe")}, {QChar(u'Ü'), QLatin1String("Ue")},
        {QChar(u'ß'), QLatin1String("ss")}, {QChar(u'ẞ'), QLatin1String("SS")},
    };
    // Composed first, so that a "u" followed by a combining diaeresis counts as "ü".
    QString result = text.normalized(QString::NormalizationForm_C);
    for (const auto& [letter, spelling] : spelled)
        result.replace(letter, spelling);
    return result;
}

bool entryExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// The first free name of "<base>.md", "<base> 2.md", "<base> 3.md", …
QString freePath(const QString& folder, const QString& base) {
    QString path = folder + QLatin1Char('/') + base + QStringLiteral(".md");
    for (int n = 2; entryExists(path); ++n)
        path = folder + QLatin1Char('/') + base + QLatin1Char(' ') + QString::number(n) +
               QStringLiteral(".md");
    return path;
}

bool hasDocumentName(const char* name) {
    const size_t length = std::strlen(name);
    return length > 3 && std::strcmp(name + length - 3, ".md") == 0;
}

}  // namespace

QString folder() {
    const std::optional<QString> dataHome = Platform::AppPaths::dataHome();
    if (!dataHome)
        return {};
    // Failures are left to the write, whose error names the real cause.
    const QString data = *dataHome + QLatin1Char('/') + Platform::AppPaths::applicationId();
    Platform::AppPaths::makePrivateFolder(data);
    const QString path = data + QStringLiteral("/Dokumente");
    Platform::AppPaths::makePrivateFolder(path);
    return path;
}

Parts split(const QString& text) {
    const QString trimmed = text.trimmed();
    const qsizetype lineFeed = trimmed.indexOf(QLatin1Char('\n'));
    if (lineFeed < 0)
        return {fallbackTitle(), trimmed};

    const QString first = titleLine(trimmed);
    const QString body = trimmed.mid(lineFeed).trimmed();
    return {first.isEmpty() ? fallbackTitle() : Characters::prefix(first, kTitleLength), body};
}

QString slug(const QString& title) {
    static const QRegularExpression outside(QStringLiteral("[^A-Za-z0-9]+"));
    QString result = dropDiacritics(withGermanLettersSpelledOut(title));
    result.replace(outside, QStringLiteral("-"));
    result = trimDashes(result);
    if (result.isEmpty())
        return fallbackTitle();
    // A cut between two words would leave the dash that joined them.
    return trimDashes(Characters::prefix(result, kSlugLength));
}

QString stamp(const QDateTime& moment) {
    return moment.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH-mm-ss"));
}

SaveResult save(const QString& text, const Platform::Clock& clock) {
    const Parts parts = split(text);
    const QString documents = folder();
    // Without a home there is no folder; never fall back to a path relative to "/".
    if (documents.isEmpty())
        return {{},
                QCoreApplication::translate("DocumentStore",
                                            "Der Ordner für Dokumente ist nicht verfügbar.")};
    const QString path =
        freePath(documents, stamp(clock.now()) + QLatin1Char(' ') + slug(parts.title));

    // A first line longer than a title keeps its end in the body: nothing of the reply is lost.
    QString body = parts.body;
    if (const QString line = titleLine(text.trimmed()); line.size() > parts.title.size())
        body = body.isEmpty() ? line : line + QStringLiteral("\n\n") + body;
    const QByteArray content =
        (QStringLiteral("# ") + parts.title + QStringLiteral("\n\n") + body + QLatin1Char('\n'))
            .toUtf8();
    if (const auto error = Platform::PrivateFile::write(path, content))
        return {{}, *error};
    return {path, {}};
}

void cleanUp(int days, const Platform::Clock& clock) {
    const qint64 cutOffMs = clock.now().toMSecsSinceEpoch() - qint64(days) * 86400 * 1000;
    const QString path = folder();
    if (path.isEmpty())
        return;
    DIR* directory = ::opendir(QFile::encodeName(path).constData());
    if (!directory)
        return;
    const int directoryFd = ::dirfd(directory);
    while (const dirent* entry = ::readdir(directory)) {
        if (!hasDocumentName(entry->d_name))
            continue;
        struct stat status;
        // The entry itself, not what a link points to; an unreadable date keeps the file.
        if (::fstatat(directoryFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISREG(status.st_mode) && !S_ISLNK(status.st_mode))
            continue;
        const qint64 modifiedMs =
            qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1000000;
        if (modifiedMs < cutOffMs)
            ::unlinkat(directoryFd, entry->d_name, 0);
    }
    ::closedir(directory);
}

}  // namespace DocumentStore
