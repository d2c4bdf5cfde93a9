#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace Platform {

// The offline US-English speech model of pocketsphinx (Debian: pocketsphinx-en-us), found
// under pocketsphinx/model/en-us in the system data folders.
struct PocketsphinxModel {
    QString acousticModel;  // folder with mdef, means, variances, …
    QString languageModel;  // en-us.lm.bin
    QString dictionary;     // cmudict-en-us.dict

    bool operator==(const PocketsphinxModel&) const = default;

    // The first complete model under `dataFolders` ($XDG_DATA_DIRS, else /usr/local/share
    // and /usr/share, when none are given). None when no folder holds every file.
    static std::optional<PocketsphinxModel> locate(QStringList dataFolders = {});
};

}  // namespace Platform
