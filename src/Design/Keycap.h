#pragma once

#include "Design/TextWidget.h"

// The label of one keyboard key in a hint ("esc", "Strg+⏎"): small semibold text on a
// slightly stronger fill, at least 18 × 17, widening with 5 on each side for longer
// labels. It has no border, so a row of caps stays light. The text is shown verbatim.
class Keycap : public TextWidget {
    Q_OBJECT

public:
    explicit Keycap(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
