#include "Platform/linux/PocketsphinxModel.h"

#include <QDir>
#include <QFileInfo>

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

bool isFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isReadable() && info.size() > 0;
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
        bool complete = isFile(model.languageModel) && isFile(model.dictionary);
        for (const char* part :
             {"mdef", "feat.params", "means", "variances", "transition_matrices", "noisedict"})
            complete =
                complete && isFile(model.acousticModel + QLatin1Char('/') + QLatin1String(part));
        if (complete)
            return model;
    }
    return std::nullopt;
}

}  // namespace Platform
