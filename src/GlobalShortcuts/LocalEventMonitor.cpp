#include "GlobalShortcuts/LocalEventMonitor.h"

#include <QCoreApplication>

namespace GlobalShortcuts {

LocalEventMonitor::LocalEventMonitor(QSet<QEvent::Type> types, Callback callback, QObject* parent)
    : QObject(parent), types_(std::move(types)), callback_(std::move(callback)) {}

LocalEventMonitor::~LocalEventMonitor() {
    if (started_ && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

LocalEventMonitor& LocalEventMonitor::start() {
    if (!started_ && QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(this);
        started_ = true;
    }
    return *this;
}

bool LocalEventMonitor::eventFilter(QObject* receiver, QEvent* event) {
    if (!types_.contains(event->type()))
        return false;
    return callback_(receiver, event);
}

}  // namespace GlobalShortcuts
