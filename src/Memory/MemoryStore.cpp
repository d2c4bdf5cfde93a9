#include "Memory/MemoryStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QStringList>
#include <limits>

#include "Memory/MemoryFile.h"
#include "Platform/AppPaths.h"
#include "Platform/Characters.h"
#include "Platform/Clock.h"
#include "Platform/PrivateFile.h"
#include "Platform/SystemLog.h"
#include "Platform/UnreadableFile.h"
#include "Settings/AssistantSettings.h"

namespace {

// Drops the oldest items from the front until at most `limit` remain.
template <typename List>
void keepNewest(List& list, qsizetype limit) {
    if (list.size() > limit)
        list.remove(0, list.size() - limit);
}

QString activityLine(const MemoryEntry& entry) {
    QString line = QStringLiteral("- ") +
                   QLocale().toString(entry.date.toLocalTime().time(), QLocale::ShortFormat);
    if (entry.app)
        line += QStringLiteral(" in ") + *entry.app;
    if (entry.context && !entry.context->trimmed().isEmpty())
        line += QStringLiteral(" (re: ") + *entry.context + QLatin1Char(')');
    if (entry.kind == MemoryEntry::Kind::viewed) {
        QString text = entry.text;
        line += QStringLiteral(" \u2013 the user looked at this with you:\n  ") +
                text.replace(QLatin1Char('\n'), QStringLiteral("\n  "));
    } else {
        line += QStringLiteral(" \u2013 the user wrote: ") + entry.text;
    }
    return line;
}

}  // namespace

QDateTime MemoryStore::cutoff(MemoryRetention retention, const QDateTime& now) {
    switch (retention) {
        case MemoryRetention::off:
            return now.addSecs(1);
        case MemoryRetention::hour:
            return now.addSecs(-3600);
        case MemoryRetention::today:
            return now.toLocalTime().date().startOfDay();
        case MemoryRetention::week:
            return now.addSecs(-7 * 86400);
    }
    return now;
}

MemoryStore::MemoryStore(const QString& applicationSupport, Platform::Clock& clock,
                         Platform::SystemLog* log, Platform::UserNotices* notices, QObject* parent)
    : QObject(parent),
      clock_(clock),
      log_(log),
      notices_(notices),
      failures_(log, notices, QStringLiteral("Erinnerungen konnten nicht gespeichert werden: "),
                tr("Erinnerungen konnten nicht gespeichert werden: %1\nDeine Änderung gilt, bis "
                   "Tavrin beendet wird; die nächste Änderung speichert alles erneut.")) {
    const QString folder =
        applicationSupport + QLatin1Char('/') + Platform::AppPaths::applicationId();
    // A folder that cannot be made shows later as a failing save, which is reported then.
    Platform::AppPaths::makePrivateFolder(folder);
    fileURL_ = folder + QStringLiteral("/memory.json");
    // The writer reports from its worker; the report is the main thread's to make.
    writer_ = std::make_unique<MemoryWriter>(fileURL_, [this](const std::optional<QString>& error) {
        QMetaObject::invokeMethod(
            this, [this, error] { writeFinished(error); }, Qt::QueuedConnection);
    });
    Platform::PrivateFile::removeLeftovers(fileURL_);
    load();
    // Quitting must not lose the last change to a write still waiting for its turn.
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &MemoryStore::flush);
}

MemoryStore::~MemoryStore() {
    flush();
}

void MemoryStore::load() {
    QFile file(fileURL_);
    if (!file.exists())
        return;
    MemoryFile::Read read;
    if (file.open(QIODevice::ReadOnly))
        read = MemoryFile::read(file.readAll());
    else
        read.whole = false;
    data_ = std::move(read.data);
    // A file damaged only at its end is written anew too, but its copy is kept all the same:
    // what looked like its end may have been more.
    if (!read.whole || read.damaged)
        keepUnreadableFile(read.whole);
}

// What the user is told first about a file that did not read whole: what of it is in use.
QString MemoryStore::whatWasRead(bool everythingRead) const {
    if (everythingRead)
        return tr(
            "Deine Erinnerungen waren am Ende der Datei beschädigt. Tavrin hat sie repariert; "
            "es fehlt nichts.");
    if (data_ == Data())
        return tr("Deine Erinnerungen ließen sich nicht lesen; Tavrin beginnt ohne sie.");
    return tr(
        "Deine Erinnerungen ließen sich nur zum Teil lesen. Was lesbar war, bleibt; der "
        "Rest fehlt.");
}

// One note that does not read costs that note, not every other, and a file cut short keeps the
// notes before the cut: the rest stays, the file as it was is kept for the user, and what was
// read is written back at once, so that the next start reads it whole and does not tell the
// same thing again.
void MemoryStore::keepUnreadableFile(bool everythingRead) {
    if (Platform::UnreadableFile::setAsideAndTell(fileURL_, clock_.now(),
                                                  whatWasRead(everythingRead), log_, notices_))
        save();
    else
        writer_->keepUnreadableFileFirst();
}

void MemoryStore::setData(Data data) {
    if (data == data_)
        return;
    data_ = std::move(data);
    emit dataChanged();
}

template <typename Change>
void MemoryStore::update(Change change) {
    Data data = data_;
    change(data);
    setData(std::move(data));
    save();
}

MemoryStore::Entry MemoryStore::makeEntry(const std::optional<QString>& app,
                                          const std::optional<QString>& context,
                                          const QString& text,
                                          std::optional<Entry::Kind> kind) const {
    Entry entry;
    entry.id = QUuid::createUuid();
    entry.date = clock_.now().toUTC();
    entry.app = app;
    if (context)
        entry.context = Characters::prefix(*context, contextLength);
    entry.text = Characters::prefix(text, textLength);
    entry.kind = kind;
    return entry;
}

void MemoryStore::remember(const QString& text, const std::optional<QString>& app) {
    if (text.trimmed().isEmpty())
        return;
    Entry entry = makeEntry(app, std::nullopt, text, Entry::Kind::wrote);
    update([&](Data& data) { data.saved.append(std::move(entry)); });
}

void MemoryStore::recordActivity(const std::optional<QString>& app,
                                 const std::optional<QString>& context, const QString& text,
                                 MemoryRetention retention, std::optional<Entry::Kind> kind) {
    if (retention == MemoryRetention::off || text.trimmed().isEmpty())
        return;
    prune(retention);
    Entry entry = makeEntry(app, context, text, kind);
    update([&](Data& data) {
        data.activity.append(std::move(entry));
        keepNewest(data.activity, activityLimit);
    });
}

void MemoryStore::prune(MemoryRetention retention) {
    const QDateTime limit = cutoff(retention, clock_.now());
    Data data = data_;
    data.activity.removeIf([&](const Entry& entry) { return entry.date < limit; });
    if (data.activity.size() == data_.activity.size())
        return;
    setData(std::move(data));
    save();
}

std::optional<QString> MemoryStore::promptSection(const AssistantSettings& settings) const {
    QStringList sections;
    if (settings.savedMemoriesEnabled && !data_.saved.isEmpty()) {
        QStringList lines;
        const qsizetype first = qMax<qsizetype>(0, data_.saved.size() - promptSavedLimit);
        for (const Entry& entry : data_.saved.mid(first))
            lines.append(QStringLiteral("- ") + entry.text);
        sections.append(
            QStringLiteral("Things the user asked you to remember (use when relevant):\n") +
            lines.join(QLatin1Char('\n')));
    }
    if (settings.activityMemory != MemoryRetention::off) {
        const QDateTime limit = cutoff(settings.activityMemory, clock_.now());
        QList<Entry> recent;
        for (const Entry& entry : data_.activity) {
            if (entry.date >= limit)
                recent.append(entry);
        }
        QStringList lines;
        for (qsizetype i = recent.size() - 1; i >= 0 && lines.size() < promptActivityLimit; --i)
            lines.append(activityLine(recent.at(i)));
        if (!lines.isEmpty()) {
            sections.append(
                QStringLiteral(
                    "What the user saw and wrote with your help recently (newest first). Use it "
                    "ONLY when the user refers to it (\"wie eben\", \"der Post von vorhin\", "
                    "\"was ich vorhin angeschaut habe\", \"remember the \u2026 from earlier\") "
                    "\u2013 otherwise ignore it:\n") +
                lines.join(QLatin1Char('\n')));
        }
    }
    if (sections.isEmpty())
        return std::nullopt;
    return sections.join(QStringLiteral("\n\n"));
}

void MemoryStore::addStyleSignal(const QString& text) {
    if (text.trimmed().isEmpty())
        return;
    update([&](Data& data) {
        data.styleSignals.append(Characters::prefix(text, styleSignalLength));
        keepNewest(data.styleSignals, styleSignalLimit);
        // The counter is uncapped, but a file may already hold its largest value.
        if (data.signalsSinceLearning < std::numeric_limits<std::int64_t>::max())
            ++data.signalsSinceLearning;
    });
}

void MemoryStore::clearActivity() {
    update([](Data& data) { data.activity.clear(); });
}

void MemoryStore::forget(const QUuid& id) {
    update([&](Data& data) {
        const auto hasId = [&](const Entry& entry) { return entry.id == id; };
        data.saved.removeIf(hasId);
        data.activity.removeIf(hasId);
    });
}

void MemoryStore::clearStyleSignals() {
    update([](Data& data) {
        data.styleSignals.clear();
        data.signalsSinceLearning = 0;
    });
}

void MemoryStore::save() {
    if (savePending_)
        return;
    savePending_ = true;
    QMetaObject::invokeMethod(this, &MemoryStore::writePendingSave, Qt::QueuedConnection);
}

void MemoryStore::writePendingSave() {
    if (!savePending_)
        return;
    savePending_ = false;
    // The copy shares its texts with data_, so handing it over costs next to nothing.
    writer_->write(data_, clock_.now());
}

void MemoryStore::writeFinished(const std::optional<QString>& error) {
    if (error)
        failures_.failed(*error);
    else
        failures_.succeeded();
}

void MemoryStore::flush() {
    writePendingSave();
    writer_->waitForWrites();
    // The outcome of the last write, still queued, is reported before this returns.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}
