#pragma once

#include "Design/WrappingLabel.h"

// The quiet explanation under a card.
class Footnote : public QWidget {
    Q_OBJECT

public:
    explicit Footnote(const QString& text, QWidget* parent = nullptr);
};
