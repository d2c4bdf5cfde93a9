#pragma once

#include <QAbstractButton>

// The small round button that removes one entry of a list: a bold minus on a soft circle.
class MinusButton : public QAbstractButton {
    Q_OBJECT

public:
    // `accessibleName` says what it removes ("Regel entfernen", "Vergessen").
    explicit MinusButton(const QString& accessibleName, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {18, 18}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
