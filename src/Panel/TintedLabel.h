#pragma once

#include <QLabel>

#include "Design/Color.h"

// A plain-text label that takes its text colour from the palette of the appearance it is
// painted in, so that a switch between dark and light needs only a repaint.
class TintedLabel : public QLabel {
    Q_OBJECT

public:
    TintedLabel(const DS::Color& color, QWidget* parent = nullptr);

    void setColor(const DS::Color& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DS::Color color_;
};
