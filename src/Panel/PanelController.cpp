#include "Panel/PanelController.h"

#include <QCursor>
#include <QEasingCurve>
#include <QEvent>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "Design/Theme.h"
#include "Panel/AssistantSession.h"
#include "Panel/ContentTransformEffect.h"
#include "Panel/PanelPlacement.h"
#include "Panel/PanelView.h"
#include "Panel/SpringCurve.h"
#include "Platform/Clock.h"
#include "Platform/FloatingWindows.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kFrame = 16ms;
constexpr double kFadeIn = 0.2;
constexpr double kFadeInStill = 0.12;
constexpr double kFadeOut = 0.16;
constexpr double kFadeOutStill = 0.1;
constexpr double kEntranceScale = 0.94;
constexpr double kEntranceShift = 6;
constexpr double kExitScale = 0.97;

QEasingCurve bezier(QPointF c1, QPointF c2) {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(c1, c2, QPointF(1, 1));
    return curve;
}

// Scaled by `scale` about `pivot`, then shifted down by `shift`.
QTransform scaledAbout(QPointF pivot, double scale, double shift) {
    QTransform transform;
    transform.translate(pivot.x(), pivot.y() + shift);
    transform.scale(scale, scale);
    transform.translate(-pivot.x(), -pivot.y());
    return transform;
}

QTransform blend(const QTransform& a, const QTransform& b, double t) {
    auto mix = [t](double x, double y) { return x + (y - x) * t; };
    return QTransform(mix(a.m11(), b.m11()), mix(a.m12(), b.m12()), mix(a.m21(), b.m21()),
                      mix(a.m22(), b.m22()), mix(a.dx(), b.dx()), mix(a.dy(), b.dy()));
}

}  // namespace

PanelController::PanelController(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)), panel_(std::make_unique<AnchoredPanel>()) {
    if (!services_.reduceMotion)
        services_.reduceMotion = [] { return Theme::reduceMotion(); };
    if (!services_.screens)
        services_.screens = [] { return PanelPlacement::currentScreens(); };
    panel_->setScreens(services_.screens);
    // The view is laid out by the panel but never sizes it: resize() does, from the view's
    // reports, so that the anchored edge stays put.
    auto* layout = new QVBoxLayout(panel_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    panel_->onCancel = [this] {
        if (onEscape)
            onEscape();
    };
}

void PanelController::prepareWindow() {
    if (windowPrepared_)
        return;
    windowPrepared_ = true;
    panel_->winId();
    panel_->windowHandle()->installEventFilter(this);
}

PanelController::~PanelController() {
    ticker_.reset();
}

quint64 PanelController::windowId() {
    prepareWindow();
    return static_cast<quint64>(panel_->winId());
}

void PanelController::show(AssistantSession& session, PanelActions& actions, quint32 userTime) {
    prepareWindow();
    stopMotion();
    closePopups();
    if (view_) {
        // Replaced, not destroyed here: show() may run inside one of the old view's own
        // button handlers.
        view_->hide();
        view_->deleteLater();
    }
    compositing_ = services_.windows.isCompositing();
    auto* view = new PanelView(session, actions, panel_.get());
    view->setOpaqueTint(!compositing_);
    panel_->layout()->addWidget(view);
    view_ = view;
    connect(view, &PanelView::fittingSizeChanged, this, [this, view] {
        // Deferred to after the layout pass that reported it, and tied to the view, so that a
        // report from a view already replaced never resizes the panel.
        QTimer::singleShot(0, view, [this, view] {
            if (view == view_)
                resize(view->fittingSize());
        });
    });

    const auto position =
        PanelPlacement::position(PanelPlacement::anchorRect(session.context()),
                                 view->fittingSize().width(), services_.screens(), QCursor::pos());
    // Sized for the screen it opens on before it shows: a panel taller than the screen would
    // first show cut and then shrink.
    budgetFor(QRectF(QPointF(position.x, 0), QSizeF(view->fittingSize())), position.anchor);
    const QSize size = view->fittingSize();

    ++transition_;
    isClosing_ = false;
    panel_->setAnchor(position.anchor);
    panel_->setShaped(!compositing_);
    panel_->setFrame(QRectF(position.x, 0, size.width(), size.height()), true);

    panel_->setWindowOpacity(compositing_ ? 0.0 : 1.0);
    const bool wasVisible = panel_->isVisible();
    services_.windows.keepOnTop(windowId());
    services_.windows.noteKeyboardOwner(windowId());
    pendingKeyboard_ = userTime;
    view->show();
    panel_->show();
    panel_->raise();
    // No activateWindow(): Qt would ask the window manager for the keyboard by itself once it
    // sees the window mapped, besides takeKeyboard() after the first frame. The later of two
    // requests can arrive after the user went to another window and take the keyboard from
    // there. One request, ours, which carries the time of the key press.
    if (wasVisible)
        takeKeyboardWhenExposed();
    view->enter(services_.clock, services_.reduceMotion());
    animateIn(position.anchor.edge == AnchoredPanel::Anchor::Edge::top);
}

bool PanelController::eventFilter(QObject* watched, QEvent* event) {
    // Queued, after the frame this exposure paints: asking for the keyboard waits on answers
    // of the X server, which held the panel's first frame back.
    if (event->type() == QEvent::Expose && panel_->windowHandle()->isExposed())
        QMetaObject::invokeMethod(this, &PanelController::takeKeyboardWhenExposed,
                                  Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void PanelController::takeKeyboardWhenExposed() {
    // Only a window on screen can be given the keyboard; the window manager may also have
    // dropped the states set before it mapped.
    if (!pendingKeyboard_ || isClosing_)
        return;
    const quint32 userTime = *pendingKeyboard_;
    pendingKeyboard_.reset();
    services_.windows.keepOnTop(windowId());
    services_.windows.takeKeyboard(windowId(), userTime);
}

void PanelController::budgetFor(const QRectF& frame,
                                const std::optional<AnchoredPanel::Anchor>& anchor) {
    if (view_)
        view_->setHeightBudget(PanelPlacement::heightBudget(frame, anchor, services_.screens()));
}

void PanelController::resize(QSize size) {
    if (!panel_->isVisible() || size.width() <= 1 || size.height() <= 1)
        return;
    const QRectF frame = panel_->placed(QSizeF(size));
    // The user may have dragged the panel onto another screen; a new budget reports a new
    // size in turn.
    budgetFor(frame, panel_->anchor());
    panel_->setFrame(frame, true);
}

void PanelController::animateIn(bool growsDown) {
    if (!compositing_) {
        // Window opacity and a picture through a transform both need a compositor; without
        // one the opaque shape would show around the scaled picture.
        panel_->setWindowOpacity(1.0);
        return;
    }
    const bool still = services_.reduceMotion();
    Motion motion;
    motion.seconds = still ? kFadeInStill : kFadeIn;
    motion.fromOpacity = 0;
    motion.toOpacity = 1;
    const QEasingCurve fade = bezier({0.2, 0.8}, {0.2, 1.0});
    motion.opacityCurve = [fade](double t) { return fade.valueForProgress(t); };
    if (!still) {
        const SpringCurve spring(340, 30);
        const QSizeF size = panel_->size();
        const QPointF pivot(size.width() / 2, growsDown ? 0 : size.height());
        const double shift = growsDown ? -kEntranceShift : kEntranceShift;
        motion.transformSeconds = spring.settlingDuration();
        motion.transformAt = [spring, pivot, shift](double seconds) {
            const double s = spring.value(seconds);
            return scaledAbout(pivot, kEntranceScale + (1 - kEntranceScale) * s, shift * (1 - s));
        };
    }
    run(std::move(motion));
}

void PanelController::closePopups() {
    // A menu opened from the panel (provider, project) keeps the pointer grab and stays on
    // screen while the panel goes: it is closed first. Closing deletes it later, never now.
    QList<QPointer<QMenu>> open;
    for (QMenu* menu : panel_->findChildren<QMenu*>())
        if (menu->isVisible())
            open.append(menu);
    for (const QPointer<QMenu>& menu : open)
        if (menu)
            menu->close();
}

void PanelController::hide() {
    const int generation = ++transition_;
    pendingKeyboard_.reset();
    closePopups();
    if (!panel_->isVisible() || isClosing_) {
        teardown();
        return;
    }
    isClosing_ = true;
    if (view_)
        view_->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    // The keyboard goes back before any fade: a paste sent to the target while the panel
    // still held it would land in our own field.
    if (QWidget* focused = panel_->focusWidget())
        focused->clearFocus();
    services_.windows.giveBackKeyboard(windowId());

    if (!compositing_) {
        teardown();
        return;
    }
    const bool still = services_.reduceMotion();
    Motion motion;
    motion.seconds = still ? kFadeOutStill : kFadeOut;
    motion.fromOpacity = panel_->windowOpacity();
    motion.toOpacity = 0;
    const QEasingCurve easeIn = bezier({0.42, 0.0}, {1.0, 1.0});
    motion.opacityCurve = [easeIn](double t) { return easeIn.valueForProgress(t); };
    if (!still) {
        const QTransform from =
            view_ && view_->graphicsEffect() ? transformEffect()->transform() : QTransform();
        const QTransform to = scaledAbout(QPointF(panel_->width() / 2.0, 0), kExitScale, 0);
        motion.transformSeconds = kFadeOut;
        motion.transformAt = [from, to, easeIn](double seconds) {
            return blend(from, to, easeIn.valueForProgress(std::min(1.0, seconds / kFadeOut)));
        };
    }
    motion.done = [this, generation] {
        if (transition_ == generation)
            teardown();
    };
    run(std::move(motion));
}

ContentTransformEffect* PanelController::transformEffect() {
    auto* effect = qobject_cast<ContentTransformEffect*>(view_->graphicsEffect());
    if (!effect) {
        effect = new ContentTransformEffect;
        view_->setGraphicsEffect(effect);
    }
    return effect;
}

void PanelController::run(Motion motion) {
    stopMotion();
    motion_ = std::move(motion);
    motionStart_ = services_.clock.monotonic();
    if (motion_->transformAt && view_)
        transformEffect()->setTransform(motion_->transformAt(0));
    panel_->setWindowOpacity(motion_->fromOpacity);
    ticker_ = services_.clock.repeating(kFrame, [this] { tick(); });
}

void PanelController::tick() {
    if (!motion_)
        return;
    const double elapsed =
        std::chrono::duration<double>(services_.clock.monotonic() - motionStart_).count();
    const double fadeProgress = std::min(1.0, elapsed / motion_->seconds);
    const double curve = motion_->opacityCurve ? motion_->opacityCurve(fadeProgress) : fadeProgress;
    panel_->setWindowOpacity(motion_->fromOpacity +
                             (motion_->toOpacity - motion_->fromOpacity) * curve);
    const bool transformDone = !motion_->transformAt || elapsed >= motion_->transformSeconds;
    if (motion_->transformAt && view_) {
        if (transformDone && motion_->toOpacity > 0)
            view_->setGraphicsEffect(nullptr);  // back to the live widgets
        else
            transformEffect()->setTransform(
                motion_->transformAt(std::min(elapsed, motion_->transformSeconds)));
    }
    if (fadeProgress < 1 || !transformDone)
        return;
    auto done = std::move(motion_->done);
    stopMotion();
    if (done)
        done();
}

void PanelController::stopMotion() {
    ticker_.reset();
    motion_.reset();
    if (view_)
        view_->setGraphicsEffect(nullptr);
}

void PanelController::teardown() {
    stopMotion();
    isClosing_ = false;
    pendingKeyboard_.reset();
    panel_->setAnchor(std::nullopt);
    panel_->hide();
    if (view_) {
        view_->hide();
        view_->deleteLater();
        view_ = nullptr;
    }
    panel_->setWindowOpacity(1.0);
}
