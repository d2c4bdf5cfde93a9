#include <gtest/gtest.h>

#include <QCoreApplication>

#include "SettingsWindow/Blocks/SettingsCard.h"

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
