#pragma once

#include <QStringList>
#include <QWidget>

#include "Design/ElidedLabel.h"
#include "Design/StyledButton.h"
#include "Design/WrappingLabel.h"

// What a view shows cut at its present size, one entry each: a line shortened with "…", a
// wrapped text given fewer lines than it needs, a button narrower than its label, a part
// lying past the view's edge.
inline QStringList cutTexts(const QWidget& view) {
    QStringList cut;
    const QRect bounds = view.rect();
    for (const QWidget* part : view.findChildren<QWidget*>()) {
        if (!part->isVisibleTo(&view))
            continue;
        const QRect place(part->mapTo(&view, QPoint(0, 0)), part->size());
        if (auto* line = qobject_cast<const ElidedLabel*>(part)) {
            if (line->shownText() != line->text())
                cut << line->text() + " shown as " + line->shownText();
        } else if (auto* text = qobject_cast<const WrappingLabel*>(part)) {
            if (text->height() < text->heightForWidth(text->width()))
                cut << text->text() + " has too few lines";
        } else if (auto* button = qobject_cast<const StyledButton*>(part)) {
            if (button->width() < button->sizeHint().width())
                cut << button->text() + " is squeezed";
        } else {
            continue;
        }
        if (!bounds.contains(place))
            cut << part->accessibleName() + " lies past the edge";
    }
    return cut;
}
