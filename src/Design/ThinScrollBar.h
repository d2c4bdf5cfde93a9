#pragma once

class QAbstractScrollArea;
class QScrollArea;
class QWidget;

namespace DS {

// Gives the vertical scroll bar of `area` the kit's look: a slim rounded knob in the tertiary
// colour on a clear track, without arrow buttons, so that a long answer or conversation
// scrolls without a desktop-styled bar standing out of the panel. Follows the desktop's
// switches between dark and light for as long as the bar lives.
void useThinScrollBar(QAbstractScrollArea& area);

// Makes `area` a clear scroll view of the kit around `content`: no frame, no horizontal bar,
// the thin vertical one when needed, the content as wide as the view, and both lying on what
// is behind them instead of filling their own background.
void useClearScrollView(QScrollArea& area, QWidget& content);

}  // namespace DS
