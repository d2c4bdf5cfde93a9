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
    // A model of another language is as good.
    const QString root = scratch.path() + "/pocketsphinx/model/de";
    for (const char* part :
         {"mdef", "feat.params", "means", "variances", "transition_matrices", "noisedict"})
        writeFile(root + "/de/" + part, "x");
    writeFile(root + "/de.lm.bin", "x");
    writeFile(root + "/de.dict", "x");
    EXPECT_EQ(access.status(), AuthorizationStatus::authorized);
}

TEST(SpeechModelTest, ModelForALocaleIsFoundByTagThenByLanguage) {
    QTemporaryDir scratch;
    // Each model folder as packages lay them out: the acoustic model in a folder named after
    // the tag, the word model and the dictionary beside it.
    const auto install = [&](const QString& data, const QString& tag, bool withPhoneModel = false) {
        const QString root = scratch.path() + "/" + data + "/pocketsphinx/model/" + tag;
        for (const char* part :
             {"mdef", "feat.params", "means", "variances", "transition_matrices", "noisedict"})
            writeFile(root + "/" + tag + "/" + part, "x");
        if (withPhoneModel)
            writeFile(root + "/" + tag + "-phone.lm.bin", "x");
        writeFile(root + "/" + tag + ".lm.bin", "x");
        writeFile(root + "/cmudict-" + tag + ".dict", "x");
    };
    install("a", "en-us", true);
    install("a", "de");
    install("b", "de-de");
    install("b", "it-it");
    const QStringList folders = {scratch.path() + "/a", scratch.path() + "/b"};

    const struct {
        const char* locale;
        const char* tag;
    } rows[] = {
        {"en-US", "en-us"},
        {"en_US", "en-us"},
        {"EN-us", "en-us"},
        {"en-GB", "en-us"},
        // The exact tag wins over an earlier folder that only has the language.
        {"de-DE", "de-de"},
        {"de_AT", "de"},
        {"it", "it-it"},
        {"fr-FR", ""},
        {"C", ""},
        {"", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.locale);
        const auto model = PocketsphinxModel::locate(QString(row.locale), folders);
        EXPECT_EQ(model ? model->tag() : QString(), row.tag);
    }
    EXPECT_EQ(PocketsphinxModel::installedTags(folders),
              (QStringList{"de", "en-us", "de-de", "it-it"}));
    // Phone-loop models recognise sounds, not words: never taken for the language model.
    const auto english = PocketsphinxModel::locate(QString("en-US"), folders);
    ASSERT_TRUE(english);
    EXPECT_TRUE(english->languageModel.endsWith("/en-us.lm.bin"));
}
