#pragma once

#include <QAbstractButton>

// The on/off switch of a settings row. It reports only the user's clicks (clicked(bool));
// setting its state from a stored value never reads as an edit.
class SwitchToggle : public QAbstractButton {
    Q_OBJECT

public:
    explicit SwitchToggle(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {32, 18}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
