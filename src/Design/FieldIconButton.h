#pragma once

#include <QAbstractButton>

// The square symbol button inside the instruction field (microphone, stop). Active, it is a
// white symbol on the accent; otherwise a quiet symbol on a faint fill. Symbol and corner
// scale with the side (0.42 and 0.28 of it). `clicked` is its action; the accessibility
// name is given verbatim.
class FieldIconButton : public QAbstractButton {
    Q_OBJECT

public:
    FieldIconButton(const QString& symbol, qreal size, const QString& label,
                    QWidget* parent = nullptr);

    void setSymbol(const QString& symbol);
    QString symbol() const { return symbol_; }
    void setActive(bool active);
    bool isActive() const { return active_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    qreal size_;
    bool active_ = false;
};
