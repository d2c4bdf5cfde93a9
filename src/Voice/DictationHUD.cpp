#include "Voice/DictationHUD.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>

#include "Platform/Compositor.h"
#include "Voice/DictationHUDView.h"
#include "Voice/QuickDictationModel.h"

namespace {

constexpr qreal kGap = 12;
constexpr qreal kInset = 8;
constexpr qreal kBottomOffset = 60;

}  // namespace

DictationHUD::DictationHUD(QuickDictationModel& model, Platform::Compositor* compositor)
    : model_(model), compositor_(compositor) {}

DictationHUD::~DictationHUD() {
    delete window_.data();
}

QRectF DictationHUD::frame(const std::optional<QRectF>& field, QSizeF size,
                           const QList<Screen>& screens, std::optional<qsizetype> mainScreen) {
    const auto validMain = [&]() -> const Screen* {
        if (mainScreen && *mainScreen >= 0 && *mainScreen < screens.size())
            return &screens[*mainScreen];
        return nullptr;
    };
    const Screen* screen = nullptr;
    if (field) {
        for (const Screen& candidate : screens)
            if (candidate.frame.intersects(*field) ||
                (field->isEmpty() && candidate.frame.contains(field->topLeft()))) {
                screen = &candidate;
                break;
            }
        if (!screen)
            screen = validMain();
    }
    if (field && screen) {
        const QRectF area = screen->available.adjusted(kInset, kInset, -kInset, -kInset);
        qreal x = field->left();
        qreal y = field->bottom() + kGap;
        if (y + size.height() > area.bottom())
            y = field->top() - kGap - size.height();
        // A window larger than the area keeps to its right and its top edge.
        x = std::min(std::max(x, area.left()), area.right() - size.width());
        y = std::max(std::min(y, area.bottom() - size.height()), area.top());
        return {QPointF(x, y), size};
    }
    const Screen* fallback = validMain();
    if (!fallback && !screens.isEmpty())
        fallback = &screens.first();
    // No screen at all: the window goes to the origin rather than nowhere.
    const QRectF area = fallback ? fallback->available : QRectF(QPointF(0, 0), size);
    return {QPointF(area.center().x() - size.width() / 2,
                    area.bottom() - kBottomOffset - size.height()),
            size};
}

QRectF DictationHUD::frame(const std::optional<QRectF>& field, QSizeF size) {
    QList<Screen> screens;
    std::optional<qsizetype> main;
    const QList<QScreen*> all = QGuiApplication::screens();
    const QScreen* pointerScreen = QGuiApplication::screenAt(QCursor::pos());
    for (const QScreen* screen : all) {
        if (screen == pointerScreen)
            main = screens.size();
        screens.append({QRectF(screen->geometry()), QRectF(screen->availableGeometry())});
    }
    if (!main && QGuiApplication::primaryScreen())
        main = all.indexOf(QGuiApplication::primaryScreen());
    return frame(field, size, screens, main);
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
        QPainterPath capsule;
        const QRectF shape(0, (kSize.height() - kCapsuleHeight) / 2, kSize.width(), kCapsuleHeight);
        capsule.addRoundedRect(shape, kCapsuleHeight / 2, kCapsuleHeight / 2);
        window_->setMask(QRegion(capsule.toFillPolygon().toPolygon()));
    }
    view->show();
    window_->show();
    window_->raise();
}

void DictationHUD::hide() {
    if (!window_)
        return;
    window_->hide();
    // The view goes with the hide; the window stays for the next dictation.
    for (QWidget* child : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->deleteLater();
}
