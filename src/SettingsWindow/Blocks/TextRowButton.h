#pragma once

#include <QAbstractButton>

// A row of a card that is one button: its text in the accent colour at the leading edge, the
// whole row taking the click ("+ Regel hinzufügen").
class TextRowButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit TextRowButton(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
