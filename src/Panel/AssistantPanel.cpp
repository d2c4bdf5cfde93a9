#include "Panel/AssistantPanel.h"

#include <QPainterPath>
#include <QRegion>
#include <QResizeEvent>
#include <QShortcut>

AssistantPanel::AssistantPanel()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    // Both only take effect before the native window exists; the flags are never changed
    // afterwards, since changing them hides the window.
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setObjectName(QStringLiteral("assistantPanel"));
    resize(kInitialSize);
    // One shortcut for the whole window, whichever child has the focus: a line edit or a
    // button that took Escape for itself would otherwise swallow it.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (onCancel)
            onCancel();
    });
}

void AssistantPanel::setShaped(bool shaped) {
    if (shaped_ == shaped)
        return;
    shaped_ = shaped;
    updateMask();
}

void AssistantPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateMask();
}

void AssistantPanel::updateMask() {
    if (!shaped_) {
        clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}
