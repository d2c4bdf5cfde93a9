#pragma once

#include <QWidget>

#include "Design/Color.h"

// One of our symbol drawings alone, centred in a square of its side.
class SymbolGlyph : public QWidget {
    Q_OBJECT

public:
    SymbolGlyph(const QString& name, qreal side, QFont::Weight weight, const DS::Color& color,
                QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    QFont::Weight weight_;
    DS::Color color_;
};
