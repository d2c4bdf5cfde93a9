#pragma once

class QAbstractScrollArea;

namespace DS {

// Gives the vertical scroll bar of `area` the kit's look: a slim rounded knob in the tertiary
// colour on a clear track, without arrow buttons, so that a long answer or conversation
// scrolls without a desktop-styled bar standing out of the panel. Follows the desktop's
// switches between dark and light for as long as the bar lives.
void useThinScrollBar(QAbstractScrollArea& area);

}  // namespace DS
