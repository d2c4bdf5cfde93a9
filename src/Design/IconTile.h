#pragma once

#include <QWidget>

#include "Design/Color.h"

// A coloured rounded square with a white symbol: the mark of a settings tab, a permission,
// a provider. The fill is a soft top-to-bottom gradient of the colour; symbol 0.55 and corner
// 0.25 of the side.
class IconTile : public QWidget {
    Q_OBJECT

public:
    IconTile(const QString& symbol, const DS::Color& color, qreal size, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    DS::Color color_;
    qreal size_;
};
