#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontDatabase>
#include <QPlainTextDocumentLayout>

#include "SettingsWindow/Blocks/SettingsCard.h"
#include "SettingsWindow/Blocks/SettingsTextEditor.h"

namespace {

QWidget* rowOfHeight(int height) {
    auto* row = new QWidget;
    row->setFixedHeight(height);
    return row;
}

}  // namespace

TEST(BuildingBlocksTest, CardDrawsDividersOnlyBetweenShownRows) {
    const struct {
        const char* name;
        int rows;
        QList<int> hidden;
        QList<int> dividers;
    } cases[] = {
        {"one row", 1, {}, {}},
        {"three rows", 3, {}, {44, 88}},
        {"middle row absent", 3, {1}, {44}},
        {"first row absent", 3, {0}, {44}},
        {"only the last shown", 3, {0, 1}, {}},
    };
    for (const auto& c : cases) {
        SettingsCard card;
        QList<QWidget*> rows;
        for (int i = 0; i < c.rows; ++i) {
            rows.append(rowOfHeight(44));
            card.addRow(rows.last());
        }
        for (const int index : c.hidden)
            rows[index]->hide();
        card.resize(400, card.sizeHint().height());
        card.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(card.dividerPositions(), c.dividers) << c.name;
    }
}

// A field that grows with its text shows every line it wraps into, a command without blanks
// (which it breaks anywhere) as well as words.
TEST(BuildingBlocksTest, AGrowingFieldIsAsHighAsItsLines) {
    const QString command = QStringLiteral(
        "rsync -a {{project_path}}/public/shop@example.org:/srv/shop-sync/public/releases/");
    for (const QString& text : {QStringLiteral("make deploy"), command,
                                QStringLiteral("a b c d e f g h i j k l m n o p q r s t u v w x y "
                                               "z a b c d e f g h i j k l m n o p")}) {
        SCOPED_TRACE(text.toStdString());
        auto* field = new SettingsTextEditor(SettingsTextEditor::Look::field, 0,
                                             QFontDatabase::systemFont(QFontDatabase::FixedFont));
        QWidget window;
        field->setParent(&window);
        field->setFixedWidth(280);
        field->setValue(text);
        window.show();
        QCoreApplication::processEvents();
        const qreal lines = field->document()->documentLayout()->documentSize().height();
        EXPECT_GE(field->viewport()->height(),
                  lines * QFontMetrics(field->font()).lineSpacing());
    }
}
