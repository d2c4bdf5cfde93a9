#include "Design/ThinScrollBar.h"

#include <QAbstractScrollArea>
#include <QScrollArea>
#include <QScrollBar>

#include "Design/Palette.h"
#include "Design/Theme.h"

namespace DS {
namespace {

QString rgba(const QColor& color) {
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alphaF(), 0, 'f', 3);
}

void style(QScrollBar& bar) {
    QColor knob = Palette::tertiary.resolve(&bar);
    knob.setAlphaF(0.45);
    bar.setStyleSheet(
        QStringLiteral("QScrollBar:vertical { background: transparent; width: 8px; margin: 0; }"
                       "QScrollBar::handle:vertical { background: %1; border-radius: 3px;"
                       " min-height: 24px; margin: 2px 1px 2px 1px; }"
                       "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical"
                       " { height: 0; border: none; background: none; }"
                       "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical"
                       " { background: none; }")
            .arg(rgba(knob)));
}

}  // namespace

void useThinScrollBar(QAbstractScrollArea& area) {
    QScrollBar* bar = area.verticalScrollBar();
    style(*bar);
    if (Theme* theme = Theme::current())
        QObject::connect(theme, &Theme::changed, bar, [bar] { style(*bar); });
}

void useClearScrollView(QScrollArea& area, QWidget& content) {
    area.setFrameShape(QFrame::NoFrame);
    area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    useThinScrollBar(area);
    area.setWidgetResizable(true);
    area.viewport()->setAutoFillBackground(false);
    area.setWidget(&content);
    // setWidget() turns the content's own fill on.
    content.setAutoFillBackground(false);
}

}  // namespace DS
