#include "Output/UndoToast.h"

#include <QPainterPath>

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

void UndoToast::show(const std::optional<QRectF>& near,
                     const std::optional<Platform::RunningApplication>& target,
                     const std::optional<QString>& before) {
    if (target && s_.terminals.isTerminal(*target))
        return;
    ++generation_;
    hiding_ = false;
    target_ = target;
    before_.reset();
    after_.reset();
    if (before && target && s_.restorer) {
        before_ = before;
        // The paste has just gone in and the target is in front: what its field holds now is
        // what the undo may replace, and nothing else.
        const std::weak_ptr<bool> alive = alive_;
        const std::uint64_t generation = generation_;
        s_.restorer->readFocused(target->processIdentifier,
                                 [this, alive, generation](std::optional<QString> text) {
                                     if (alive.lock() && generation == generation_)
                                         after_ = std::move(text);
                                 });
    }
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
    const std::weak_ptr<bool> alive = alive_;
    view_ = new UndoToastView(
        [this, alive] {
            if (alive.lock())
                undo();
        },
        [this, alive] {
            if (alive.lock())
                hide();
        },
        window_);
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
    window_->show();
    window_->raise();
    fade(1, kFadeIn, {});

    hideTimer_ = s_.clock.singleShot(kShownFor, [this] { hide(); });
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
    const auto before = before_;
    const auto after = after_;
    hide();
    if (target)
        s_.windows.activate(*target);
    undoTimer_ = s_.clock.singleShot(kUndoDelay, [this, target, before, after] {
        // Control+Z in whichever window came forward instead would undo something the user
        // never asked to undo.
        if (target && !s_.windows.isActive(*target))
            return;
        if (before && s_.restorer) {
            // The field is left alone when its text after the paste is not known or has
            // changed since: putting the old text back would throw away the user's typing.
            if (after)
                s_.restorer->restore(target->processIdentifier, *after, *before, [](bool) {});
            return;
        }
        s_.inserter.sendKey(Platform::VirtualKey::Z, Platform::EventFlag::Command);
    });
}
