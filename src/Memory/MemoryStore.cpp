#include "Memory/MemoryStore.h"

#include <QFile>
#include <QSaveFile>

#include "Memory/Characters.h"
#include "Memory/MemoryFile.h"
#include "Platform/AppPaths.h"
#include "Platform/Clock.h"

namespace {

constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Drops the oldest items from the front until at most `limit` remain.
template <typename List>
void keepNewest(List& list, qsizetype limit) {
    if (list.size() > limit)
        list.remove(0, list.size() - limit);
}

}  // namespace

MemoryStore::MemoryStore(const QString& folder, Platform::Clock& clock, QObject* parent)
    : QObject(parent), clock_(clock), filePath_(folder + QStringLiteral("/memory.json")) {
    // A folder that cannot be made shows later as a failing save, which is not reported.
    Platform::AppPaths::makePrivateFolder(folder);
    load();
}

void MemoryStore::load() {
    QFile file(filePath_);
    if (!file.exists())
        return;
    std::optional<Data> loaded;
    if (file.open(QIODevice::ReadOnly))
        loaded = MemoryFile::decode(file.readAll());
    if (loaded)
        data_ = std::move(*loaded);
    else
        unreadableFileKept_ = true;
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

void MemoryStore::addStyleSignal(const QString& text) {
    if (text.trimmed().isEmpty())
        return;
    update([&](Data& data) {
        data.styleSignals.append(Characters::prefix(text, styleSignalLength));
        keepNewest(data.styleSignals, styleSignalLimit);
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
    // A file that could not be read may still hold the user's notes: it is never replaced
    // before a copy of it is safe.
    if (unreadableFileKept_ && !copyUnreadableFileAside())
        return;
    QSaveFile file(filePath_);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.setPermissions(ownerOnly);
    if (file.write(MemoryFile::encode(data_)) < 0) {
        file.cancelWriting();
        return;
    }
    file.commit();
}

bool MemoryStore::copyUnreadableFileAside() {
    if (!QFile::exists(filePath_)) {
        unreadableFileKept_ = false;
        return true;
    }
    const QString stamp = clock_.now().toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString target = filePath_ + QStringLiteral(".unreadable-") + stamp;
    for (int attempt = 2; QFile::exists(target); ++attempt)
        target = filePath_ + QStringLiteral(".unreadable-") + stamp + QLatin1Char('-') +
                 QString::number(attempt);
    if (!QFile::copy(filePath_, target))
        return false;
    QFile::setPermissions(target, ownerOnly);
    unreadableFileKept_ = false;
    return true;
}
