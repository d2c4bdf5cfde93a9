#include "Voice/DictationHUD.h"

#include <QPainterPath>

#include "Design/FloatingPlacement.h"
#include "Platform/Compositor.h"
#include "Voice/DictationHUDView.h"
#include "Voice/QuickDictationModel.h"

namespace {

constexpr qreal kGap = 12;

// No screen at all: the window goes where it would on a screen of its own size at the origin,
// rather than nowhere.
QRectF withoutScreen(QSizeF size) {
    return {QPointF(0, -FloatingPlacement::kBottomOffset), size};
}

}  // namespace

DictationHUD::DictationHUD(QuickDictationModel& model, Platform::Compositor* compositor)
    : model_(model), compositor_(compositor) {}

DictationHUD::~DictationHUD() {
    delete window_.data();
}

QRectF DictationHUD::frame(const std::optional<QRectF>& field, QSizeF size,
                           const QList<Screen>& screens, std::optional<qsizetype> mainScreen) {
    return FloatingPlacement::frame(field, size, kGap, screens, mainScreen)
        .value_or(withoutScreen(size));
}

QRectF DictationHUD::frame(const std::optional<QRectF>& field, QSizeF size) {
    return FloatingPlacement::frame(field, size, kGap).value_or(withoutScreen(size));
}

void DictationHUD::show(const std::optional<QRectF>& anchor) {
    if (!window_) {
        // A floating status that never takes the keyboard or the mouse and never activates
        // Tavrin: the user keeps typing where they were.
        window_ =
            new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                     Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput);
        window_->setAttribute(Qt::WA_ShowWithoutActivating);
        window_->setAttribute(Qt::WA_TranslucentBackground);
        window_->setFocusPolicy(Qt::NoFocus);
        window_->setWindowTitle(QStringLiteral("Tavrin"));
    }
    for (QWidget* child : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        delete child;
    auto* view = new DictationHUDView(model_, window_);
    const QRectF placed = frame(anchor, QSizeF(view->size()));
    window_->setGeometry(QRect(placed.topLeft().toPoint(), view->size()));
    view->move(0, 0);
    const bool compositing = compositor_ && compositor_->isRunning();
    view->setOpaque(!compositing);
    if (compositing) {
        window_->clearMask();
    } else {
        window_->setMask(mask());
    }
    view->show();
    window_->show();
    window_->raise();
}

QRegion DictationHUD::mask() {
    QPainterPath capsule;
    const QRectF shape(0, (kSize.height() - kCapsuleHeight) / 2, kSize.width(), kCapsuleHeight);
    capsule.addRoundedRect(shape, kCapsuleHeight / 2, kCapsuleHeight / 2);
    return QRegion(capsule.toFillPolygon().toPolygon());
}

void DictationHUD::hide() {
    if (!window_)
        return;
    window_->hide();
    // The view goes with the hide; the window stays for the next dictation.
    for (QWidget* child : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->deleteLater();
}
