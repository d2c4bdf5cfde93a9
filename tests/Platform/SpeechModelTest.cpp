#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "Platform/linux/OfflineSpeechRecognitionAccess.h"
#include "Platform/linux/PocketsphinxModel.h"
#include "support/Files.h"
#include "support/ScopedEnv.h"

using Platform::AuthorizationStatus;
using Platform::PocketsphinxModel;

namespace {

const QStringList kModelFiles = {"en-us/mdef",      "en-us/feat.params",         "en-us/means",
                                 "en-us/variances", "en-us/transition_matrices", "en-us/noisedict",
                                 "en-us.lm.bin",    "cmudict-en-us.dict"};

// A data folder holding the model's files under pocketsphinx/model/en-us, except `missing`.
QString makeDataFolder(const QTemporaryDir& scratch, const QString& name, const QString& missing,
                       const QString& empty = {}) {
    const QString data = scratch.path() + QLatin1Char('/') + name;
    const QString root = data + "/pocketsphinx/model/en-us";
    for (const QString& file : kModelFiles) {
        if (file != missing)
            writeFile(root + QLatin1Char('/') + file, file == empty ? "" : "x");
    }
    return data;
}

}  // namespace

TEST(SpeechModelTest, FirstCompleteModelIsFound) {
    QTemporaryDir scratch;
    const QString incomplete = makeDataFolder(scratch, "a", "en-us/means");
    const QString emptyFile = makeDataFolder(scratch, "b", {}, "en-us.lm.bin");
    const QString complete = makeDataFolder(scratch, "c", {});
    const QString second = makeDataFolder(scratch, "d", {});

    EXPECT_EQ(PocketsphinxModel::locate({incomplete}), std::nullopt);
    EXPECT_EQ(PocketsphinxModel::locate({emptyFile}), std::nullopt);
    const auto model = PocketsphinxModel::locate({incomplete, emptyFile, complete, second});
    ASSERT_TRUE(model);
    const QString root = complete + "/pocketsphinx/model/en-us";
    EXPECT_EQ(*model, (PocketsphinxModel{root + "/en-us", root + "/en-us.lm.bin",
                                         root + "/cmudict-en-us.dict"}));
}

TEST(SpeechModelTest, InstalledPackageAuthorizesAndAMissingModelRestricts) {
    Platform::OfflineSpeechRecognitionAccess access;
    {
        // The system folders hold the Debian package's model.
        ScopedEnv dirs("XDG_DATA_DIRS", QString());
        EXPECT_EQ(access.status(), AuthorizationStatus::authorized);
    }
    QTemporaryDir scratch;
    ScopedEnv dirs("XDG_DATA_DIRS", scratch.path());
    EXPECT_EQ(access.status(), AuthorizationStatus::restricted);
}
