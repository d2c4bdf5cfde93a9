#include "SettingsWindow/Blocks/MinusButton.h"

#include <QPainter>

#include "Design/Palette.h"
#include "Design/SymbolPainter.h"
#include "SettingsWindow/Blocks/SingleClick.h"

MinusButton::MinusButton(const QString& accessibleName, QWidget* parent) : QAbstractButton(parent) {
    setAccessibleName(accessibleName);
    setToolTip(accessibleName);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(sizeHint());
    SingleClick::guard(this);
}

void MinusButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(DS::Palette::fillStrong.resolve(this));
    painter.drawEllipse(QRectF(rect()));
    // A 9-point symbol, centred.
    const QRectF symbol(QPointF(4.5, 4.5), QSizeF(9, 9));
    SymbolPainter::paint(painter, QStringLiteral("minus"), symbol,
                         DS::Palette::secondary.resolve(this), QFont::Bold);
}
