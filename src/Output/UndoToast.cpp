#include "Output/UndoToast.h"

#include <QApplication>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>

#include "Design/FloatingPlacement.h"
#include "Design/RoundedBox.h"
#include "Output/FieldRestorer.h"
#include "Output/TextInserter.h"
#include "Output/UndoToastView.h"
#include "Platform/Compositor.h"
#include "Platform/KeySender.h"
#include "Platform/TerminalWindows.h"
#include "Platform/WindowActivation.h"

using Platform::Milliseconds;

namespace {

constexpr qreal kGap = 10;
constexpr Milliseconds kFadeStep{16};

// A rectangle without any size says nothing about where the text is.
std::optional<QRectF> usable(const std::optional<QRectF>& anchor) {
    if (anchor && (anchor->width() > 0 || anchor->height() > 0))
        return anchor;
    return std::nullopt;
}

// Only Tavrin's floating windows (the panel coming back, the dictation display) stand where the
// toast stands. A normal window, such as the settings window, lies below the toast; one that
// is minimized covers nothing.
bool floatsOverToasts(const QWidget& window) {
    return window.isWindow() && window.windowType() == Qt::Tool && window.isVisible() &&
           !window.isMinimized();
}

}  // namespace

UndoToast::UndoToast(Services services) : s_(services) {}

UndoToast::~UndoToast() {
    *alive_ = false;
    delete window_.data();
}

std::optional<QRectF> UndoToast::frame(const std::optional<QRectF>& anchor, QSizeF size,
                                       const QList<Screen>& screens,
                                       std::optional<qsizetype> mainScreen) {
    return FloatingPlacement::frame(usable(anchor), size, kGap, screens, mainScreen);
}

std::optional<QRectF> UndoToast::frame(const std::optional<QRectF>& anchor, QSizeF size) {
    return FloatingPlacement::frame(usable(anchor), size, kGap);
}

QString UndoToast::refusedText() {
    return QObject::tr("Rückgängig nicht möglich – Feld unverändert gelassen");
}

QString UndoToast::notPastedText() {
    return QObject::tr("Nicht eingefügt – der Text liegt in der Zwischenablage");
}

QString UndoToast::overwrittenText() {
    return QObject::tr("Nicht eingefügt – inzwischen wurde etwas anderes kopiert");
}

QString UndoToast::unsavedText() {
    return QObject::tr("Nicht eingefügt – die Zwischenablage antwortet nicht");
}

QString UndoToast::notPlacedText() {
    return QObject::tr("Nicht eingefügt – Zwischenablage nicht verfügbar");
}

QString UndoToast::notCopiedText() {
    return QObject::tr("Nicht kopiert – Zwischenablage nicht verfügbar");
}

QString UndoToast::partialText() {
    return QObject::tr("Nur teilweise eingefügt – das Feld nimmt nicht mehr auf");
}

QString UndoToast::busyText() {
    return QObject::tr(
        "Nicht eingefügt – das Programm antwortet noch nicht; der Text liegt in der Zwischenablage");
}

QString UndoToast::notSentText() {
    return QObject::tr("Eingefügt, aber nicht abgeschickt – die Tastatur war nicht mehr im Feld");
}

QString UndoToast::notSentUnseenText() {
    return QObject::tr("Eingefügt, aber nicht abgeschickt – das Feld antwortete nicht");
}

QRectF UndoToast::apart(const QRectF& placed, const QList<QRectF>& windows, const QRectF& area) {
    const auto clear = [&windows](const QRectF& frame) {
        return std::none_of(windows.begin(), windows.end(),
                            [&frame](const QRectF& window) { return window.intersects(frame); });
    };
    if (clear(placed))
        return placed;
    const auto inside = [&area, &placed](qreal x, qreal y) {
        x = std::max(area.left(), std::min(x, area.right() - placed.width()));
        y = std::max(area.top(), std::min(y, area.bottom() - placed.height()));
        return QRectF(QPointF(x, y), placed.size());
    };
    for (const QRectF& window : windows) {
        if (!window.intersects(placed))
            continue;
        const QRectF candidates[] = {
            inside(placed.x(), window.bottom() + kGap),
            inside(placed.x(), window.top() - kGap - placed.height()),
            inside(window.right() + kGap, placed.y()),
            inside(window.left() - kGap - placed.width(), placed.y()),
        };
        for (const QRectF& candidate : candidates)
            if (clear(candidate))
                return candidate;
    }
    return placed;
}

// Watches Tavrin's other windows while the toast is up: one that is shown, moved or resized
// over it (the panel coming back after an insertion) moves the toast aside.
class UndoToast::WindowWatch final : public QObject {
public:
    WindowWatch(QWidget* toast, std::function<void()> moved) : toast_(toast), moved_(moved) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize) &&
            watched->isWidgetType() && watched != toast_ &&
            static_cast<QWidget*>(watched)->isWindow())
            // After the window has its new place.
            QMetaObject::invokeMethod(this, moved_, Qt::QueuedConnection);
        return false;
    }

private:
    QPointer<QWidget> toast_;
    std::function<void()> moved_;
};

void UndoToast::show(const std::optional<QRectF>& near,
                     const std::optional<Platform::RunningApplication>& target,
                     const std::optional<FieldRestorer::Change>& change, bool fieldUnknown,
                     const QString& notice) {
    target_ = target;
    change_ = target ? change : std::nullopt;
    fieldUnknown_ = target && !change_ && fieldUnknown;
    const std::weak_ptr<bool> alive = alive_;
    // An undo that could never be checked is not offered at all, nor one in a terminal,
    // where the undo key would suspend the program running in it.
    const bool terminal = target && s_.terminals.isTerminal(*target);
    std::function<void()> undoAction;
    if (!fieldUnknown_ && !terminal) {
        undoAction = [this, alive] {
            if (alive.lock())
                undo();
        };
    }
    auto close = [this, alive] {
        if (alive.lock())
            hide();
    };
    present(near, notice.isEmpty()
                      ? new UndoToastView(std::move(undoAction), std::move(close))
                      : new UndoToastView(notice, std::move(close), nullptr, std::move(undoAction)));
}

void UndoToast::tell(const std::optional<QRectF>& near, const QString& notice) {
    target_.reset();
    change_.reset();
    fieldUnknown_ = false;
    const std::weak_ptr<bool> alive = alive_;
    present(near, new UndoToastView(notice, [this, alive] {
                if (alive.lock())
                    hide();
            }));
}

void UndoToast::present(const std::optional<QRectF>& near, UndoToastView* view) {
    ++generation_;
    hiding_ = false;
    near_ = near;
    if (!window_) {
        // Clickable, but never focused or activated: the keyboard stays in the user's field.
        window_ = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint |
                                           Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
        window_->setAttribute(Qt::WA_ShowWithoutActivating);
        window_->setAttribute(Qt::WA_TranslucentBackground);
        window_->setFocusPolicy(Qt::NoFocus);
        window_->setWindowTitle(QStringLiteral("Tavrin"));
    }
    delete view_.data();
    view_ = view;
    view_->setParent(window_);
    const QSize size = view_->size();
    const auto placed = frame(near, QSizeF(size));
    if (!placed) {
        // No screen to show it on.
        delete view_.data();
        window_->hide();
        return;
    }
    window_->setGeometry(QRect(placed->topLeft().toPoint(), size));
    view_->move(0, 0);
    const bool compositing = s_.compositor && s_.compositor->isRunning();
    view_->setOpaque(!compositing);
    if (compositing)
        window_->clearMask();
    else
        window_->setMask(
            QRegion(RoundedBox::capsule(view_->capsule()).toFillPolygon().toPolygon()));
    view_->show();
    if (compositing)
        window_->setWindowOpacity(0);
    keepApart();
    window_->show();
    window_->raise();
    if (!watch_)
        watch_ = std::make_unique<WindowWatch>(window_, [this] { keepApart(); });
    fade(1, kFadeIn, {});

    hideTimer_ = s_.clock.singleShot(kShownFor, [this] { hide(); });
}

void UndoToast::keepApart() {
    if (!window_ || !view_)
        return;
    const auto placed = frame(near_, QSizeF(view_->size()));
    if (!placed)
        return;
    QList<QRectF> windows;
    for (QWidget* other : QApplication::topLevelWidgets())
        if (other != window_ && floatsOverToasts(*other))
            windows.append(QRectF(other->frameGeometry()));
    const QScreen* screen = QGuiApplication::screenAt(placed->center().toPoint());
    const QRectF area = screen
                            ? QRectF(screen->availableGeometry())
                                  .adjusted(FloatingPlacement::kInset, FloatingPlacement::kInset,
                                            -FloatingPlacement::kInset, -FloatingPlacement::kInset)
                            : *placed;
    const QRectF moved = apart(*placed, windows, area);
    if (moved.topLeft().toPoint() != window_->pos())
        window_->move(moved.topLeft().toPoint());
}

void UndoToast::hide() {
    hideTimer_.reset();
    if (!window_ || !window_->isVisible() || hiding_)
        return;
    hiding_ = true;
    const std::uint64_t generation = generation_;
    fade(0, kFadeOut, [this, generation] { finishHide(generation); });
}

void UndoToast::finishHide(std::uint64_t generation) {
    // A show after this fade began owns the window now.
    if (generation != generation_ || !window_)
        return;
    hiding_ = false;
    watch_.reset();
    window_->hide();
    delete view_.data();
}

bool UndoToast::isVisible() const {
    return window_ && window_->isVisible() && !hiding_;
}

void UndoToast::fade(qreal to, Milliseconds duration, std::function<void()> done) {
    fadeStepTimer_.reset();
    // Opacity means something only where a compositor blends windows; the end of the fade
    // comes on time either way, since the window is hidden there.
    if (window_ && s_.compositor && s_.compositor->isRunning()) {
        const qreal from = window_->windowOpacity();
        const auto start = s_.clock.monotonic();
        fadeStepTimer_ = s_.clock.repeating(kFadeStep, [this, from, to, start, duration] {
            const double progress =
                std::min(1.0, double((s_.clock.monotonic() - start).count()) /
                                  double(std::chrono::nanoseconds(duration).count()));
            if (window_)
                window_->setWindowOpacity(from + (to - from) * progress);
        });
    }
    fadeEndTimer_ = s_.clock.singleShot(duration, [this, to, done = std::move(done)] {
        fadeStepTimer_.reset();
        if (window_ && s_.compositor && s_.compositor->isRunning())
            window_->setWindowOpacity(to);
        if (done)
            done();
    });
}

void UndoToast::undo() {
    const auto target = target_;
    const auto change = change_;
    const auto near = near_;
    hide();
    if (target)
        s_.windows.activate(*target);
    undoTimer_ = s_.clock.singleShot(kUndoDelay, [this, target, change, near] {
        // Control+Z in whichever window came forward instead would undo something the user
        // never asked to undo.
        if (target && !s_.windows.isActive(*target)) {
            tell(near, refusedText());
            return;
        }
        const auto undoKey = [this] {
            return s_.inserter.sendKey(Platform::VirtualKey::Z, Platform::EventFlag::Command);
        };
        if (!change || !s_.restorer) {
            undoKey();
            return;
        }
        const std::weak_ptr<bool> alive = alive_;
        s_.restorer->undo(target->processIdentifier, *change, undoKey,
                          [this, alive, near](FieldRestorer::Outcome outcome) {
                              if (alive.lock() && outcome == FieldRestorer::Outcome::refused)
                                  tell(near, refusedText());
                          });
    });
}
