#pragma once

#include <QWidget>

class QVBoxLayout;

// A rounded card that stacks its rows with hairline dividers between them. A divider is
// drawn only between rows that are shown, so rows that come and go need no bookkeeping.
class SettingsCard : public QWidget {
    Q_OBJECT

public:
    explicit SettingsCard(QWidget* parent = nullptr);

    // The card takes `row` as its next row.
    void addRow(QWidget* row);
    // The card takes `row` at `index` among its rows (for lists that change while shown).
    void insertRow(qsizetype index, QWidget* row);
    // The card lets go of `row`, which is deleted once control is back in the event loop.
    void removeRow(QWidget* row);
    // The rows' tops where a divider is drawn, for the tests and for painting.
    QList<int> dividerPositions() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* layout_;
    QList<QWidget*> rows_;
};
