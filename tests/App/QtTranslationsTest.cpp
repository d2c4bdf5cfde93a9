#include <gtest/gtest.h>

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTranslator>
#include <functional>
#include <memory>

#include "App/QtTranslations.h"

namespace {

QStringList actionTexts(std::unique_ptr<QMenu> menu) {
    QStringList texts;
    // The key stands after a tab ("&Rückgängig\tStrg+Z").
    for (const QAction* action : menu->actions())
        texts << action->text().section(QLatin1Char('\t'), 0, 0);
    return texts;
}

// The texts Qt writes itself into the views a user meets in Tavrin.
TEST(QtTranslationsTest, QtsOwnTextsSpeakGerman) {
    QTranslator* translator = QtTranslations::installGerman(*QCoreApplication::instance());
    ASSERT_NE(translator, nullptr) << "Qt's German catalogue (qt6-translations-l10n) is missing";
    const struct {
        const char* name;
        std::function<QStringList()> texts;
        QStringList expected;
    } cases[] = {
        {"a text field's context menu",
         [] {
             QLineEdit field;
             return actionTexts(std::unique_ptr<QMenu>(field.createStandardContextMenu()));
         },
         {"&Rückgängig", "Einf&ügen", "Alles auswählen"}},
        {"a text area's context menu",
         [] {
             QPlainTextEdit area;
             return actionTexts(std::unique_ptr<QMenu>(area.createStandardContextMenu()));
         },
         {"&Rückgängig", "Einf&ügen", "Alles auswählen"}},
        {"the folder dialog",
         [] {
             QFileDialog dialog;
             dialog.setOption(QFileDialog::DontUseNativeDialog);
             dialog.setFileMode(QFileDialog::Directory);
             QStringList texts;
             for (const QLabel* label : dialog.findChildren<QLabel*>())
                 texts << label->text();
             for (const QAbstractButton* button : dialog.findChild<QDialogButtonBox*>()->buttons())
                 texts << button->text();
             return texts;
         },
         {"Suchen in:", "&Auswählen", "Abbrechen"}},
    };
    for (const auto& c : cases) {
        const QStringList texts = c.texts();
        for (const QString& expected : c.expected)
            EXPECT_TRUE(texts.contains(expected)) << c.name << ": " << expected.toStdString()
                                                  << " not in " << texts.join(" | ").toStdString();
    }
    QCoreApplication::removeTranslator(translator);
    delete translator;
}

}  // namespace
