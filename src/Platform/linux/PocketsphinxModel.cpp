#include "Platform/linux/PocketsphinxModel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace Platform {

namespace {

QStringList systemDataFolders() {
    const QString fromEnvironment = qEnvironmentVariable("XDG_DATA_DIRS");
    QStringList folders;
    for (const QString& folder : fromEnvironment.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(folder))
            folders << folder;
    if (folders.isEmpty())
        folders << QStringLiteral("/usr/local/share") << QStringLiteral("/usr/share");
    return folders;
}

// The folders in `path` by name, hidden ones left out. Read without QDir, whose set-up took a
// quarter of a millisecond: every press of the shortcut reads the speech permission.
QStringList subfolders(const QString& path) {
    QStringList names;
    std::error_code error;
    // Never throws: a folder that cannot be read ends the listing.
    for (std::filesystem::directory_iterator entry(QFile::encodeName(path).toStdString(), error);
         !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const QString name = QFile::decodeName(entry->path().filename().c_str());
        std::error_code notFolder;
        if (!name.startsWith(QLatin1Char('.')) && entry->is_directory(notFolder))
            names << name;
    }
    names.sort();
    return names;
}

bool isFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isReadable() && info.size() > 0;
}

bool isAcousticModel(const QString& folder) {
    for (const char* part :
         {"mdef", "feat.params", "means", "variances", "transition_matrices", "noisedict"})
        if (!isFile(folder + QLatin1Char('/') + QLatin1String(part)))
            return false;
    return true;
}

// "de-DE", "de_de" → "de-de"; the tag form of the model folders.
QString tagOfLocale(const QString& locale) {
    return locale.trimmed().toLower().replace(QLatin1Char('_'), QLatin1Char('-'));
}

QString languageOfTag(const QString& tag) {
    return tag.section(QLatin1Char('-'), 0, 0);
}

// The first existing file among `preferred`, else the first file in `root` matching one of
// `patterns` that is not a phone-loop model (those recognise sounds, not words).
QString pickFile(const QDir& root, const QStringList& preferred, const QStringList& patterns) {
    for (const QString& name : preferred)
        if (isFile(root.filePath(name)))
            return root.filePath(name);
    for (const QString& name : root.entryList(patterns, QDir::Files, QDir::Name))
        if (!name.contains(QLatin1String("phone")) && isFile(root.filePath(name)))
            return root.filePath(name);
    return {};
}

// The model in `rootPath` (a folder named after its tag), when complete.
std::optional<PocketsphinxModel> modelIn(const QString& rootPath) {
    const QDir root(rootPath);
    const QString tag = root.dirName();
    PocketsphinxModel model;
    if (isAcousticModel(root.filePath(tag))) {
        model.acousticModel = root.filePath(tag);
    } else {
        for (const QString& sub : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            if (isAcousticModel(root.filePath(sub))) {
                model.acousticModel = root.filePath(sub);
                break;
            }
    }
    model.languageModel =
        pickFile(root, {tag + QStringLiteral(".lm.bin")},
                 {QStringLiteral("*.lm.bin"), QStringLiteral("*.lm"), QStringLiteral("*.lm.dmp")});
    model.dictionary =
        pickFile(root, {QStringLiteral("cmudict-") + tag + QStringLiteral(".dict"), tag + ".dict"},
                 {QStringLiteral("*.dict")});
    if (model.acousticModel.isEmpty() || model.languageModel.isEmpty() ||
        model.dictionary.isEmpty())
        return std::nullopt;
    return model;
}

}  // namespace

std::optional<PocketsphinxModel> PocketsphinxModel::locate(QStringList dataFolders) {
    if (dataFolders.isEmpty())
        dataFolders = systemDataFolders();
    for (const QString& folder : dataFolders) {
        const QString root = folder + QStringLiteral("/pocketsphinx/model/en-us");
        PocketsphinxModel model{root + QStringLiteral("/en-us"),
                                root + QStringLiteral("/en-us.lm.bin"),
                                root + QStringLiteral("/cmudict-en-us.dict")};
        if (isFile(model.languageModel) && isFile(model.dictionary) &&
            isAcousticModel(model.acousticModel))
            return model;
    }
    return std::nullopt;
}

std::optional<PocketsphinxModel> PocketsphinxModel::locate(const QString& locale,
                                                           QStringList dataFolders) {
    const QString wanted = tagOfLocale(locale);
    const QString language = languageOfTag(wanted);
    if (language.isEmpty())
        return std::nullopt;
    if (dataFolders.isEmpty())
        dataFolders = systemDataFolders();
    for (const QString& folder : dataFolders)
        if (auto model = modelIn(folder + QStringLiteral("/pocketsphinx/model/") + wanted))
            return model;
    for (const QString& folder : dataFolders) {
        const QDir models(folder + QStringLiteral("/pocketsphinx/model"));
        for (const QString& tag : subfolders(models.path()))
            if (languageOfTag(tag.toLower()) == language)
                if (auto model = modelIn(models.filePath(tag)))
                    return model;
    }
    return std::nullopt;
}

QStringList PocketsphinxModel::installedTags(QStringList dataFolders) {
    if (dataFolders.isEmpty())
        dataFolders = systemDataFolders();
    QStringList tags;
    for (const QString& folder : dataFolders) {
        const QDir models(folder + QStringLiteral("/pocketsphinx/model"));
        for (const QString& tag : subfolders(models.path()))
            if (!tags.contains(tag) && modelIn(models.filePath(tag)))
                tags << tag;
    }
    return tags;
}

QString PocketsphinxModel::tag() const {
    return QFileInfo(languageModel).absoluteDir().dirName();
}

}  // namespace Platform
