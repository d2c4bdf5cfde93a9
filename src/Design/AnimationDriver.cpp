#include "Design/AnimationDriver.h"

#include <QDateTime>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include "Design/Theme.h"
#include "Platform/Clock.h"

namespace {

const QDateTime referenceDate(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);

}  // namespace

AnimationDriver::AnimationDriver(QWidget* owner, Motion motion)
    : QObject(owner), owner_(owner), motion_(motion) {
    owner_->installEventFilter(this);
    if (Theme* theme = Theme::current()) {
        connect(theme, &Theme::changed, this, &AnimationDriver::reconsider);
        timer_ = theme->clock().createTimer([this] { tick(); }, true);
        // The theme's clock armed the timer; let it go while that clock is surely alive.
        connect(theme, &QObject::destroyed, this, [this] { timer_.reset(); });
    } else {
        fallbackTimer_ = new QTimer(this);
        fallbackTimer_->setInterval(interval);
        connect(fallbackTimer_, &QTimer::timeout, this, &AnimationDriver::tick);
    }
    reconsider();
}

AnimationDriver::~AnimationDriver() = default;

double AnimationDriver::seconds() const {
    const Theme* theme = Theme::current();
    const QDateTime now = theme ? theme->clock().now() : QDateTime::currentDateTimeUtc();
    return static_cast<double>(referenceDate.msecsTo(now)) / 1000.0;
}

bool AnimationDriver::isStill() const {
    return motion_ == Motion::decorative && Theme::reduceMotion();
}

bool AnimationDriver::isRunning() const {
    if (timer_)
        return timer_->isActive();
    return fallbackTimer_ && fallbackTimer_->isActive();
}

bool AnimationDriver::eventFilter(QObject* watched, QEvent* event) {
    if (watched == owner_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        reconsider();
    return QObject::eventFilter(watched, event);
}

void AnimationDriver::setWanted(bool wanted) {
    if (wanted_ == wanted)
        return;
    wanted_ = wanted;
    reconsider();
}

void AnimationDriver::reconsider() {
    const bool wanted = wanted_ && owner_->isVisible() && !isStill();
    if (wanted == isRunning())
        return;
    if (timer_) {
        if (wanted)
            timer_->start(interval);
        else
            timer_->stop();
    } else if (fallbackTimer_) {
        if (wanted)
            fallbackTimer_->start();
        else
            fallbackTimer_->stop();
    }
    owner_->update();
}

void AnimationDriver::tick() {
    owner_->update();
    emit ticked();
}
