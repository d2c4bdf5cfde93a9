#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace Platform {

// An offline speech model of pocketsphinx, found under pocketsphinx/model/<tag> in the system
// data folders (Debian ships only pocketsphinx-en-us: model/en-us).
struct PocketsphinxModel {
    QString acousticModel;  // folder with mdef, means, variances, …
    QString languageModel;  // en-us.lm.bin
    QString dictionary;     // cmudict-en-us.dict

    bool operator==(const PocketsphinxModel&) const = default;

    // The first complete model under `dataFolders` ($XDG_DATA_DIRS, else /usr/local/share
    // and /usr/share, when none are given). None when no folder holds every file.
    static std::optional<PocketsphinxModel> locate(QStringList dataFolders = {});

    // The model for `locale` ("de-DE", "de_DE", "de"): the folder tagged with the locale
    // itself, else the first one of its language ("de", "de-at" …), each looked for in every
    // data folder in turn.
    static std::optional<PocketsphinxModel> locate(const QString& locale,
                                                   QStringList dataFolders = {});

    // The tags of every complete model ("en-us", "de"), each once.
    static QStringList installedTags(QStringList dataFolders = {});

    // The tag of the model's folder ("en-us").
    QString tag() const;
};

}  // namespace Platform
