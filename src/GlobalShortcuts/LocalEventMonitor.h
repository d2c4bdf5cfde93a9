#pragma once

#include <QEvent>
#include <QObject>
#include <QSet>
#include <functional>

namespace GlobalShortcuts {

// Sees the events of the given types that reach any object of this application, before the
// object itself does, from start() until the monitor is destroyed. The callback answers true
// to swallow an event.
class LocalEventMonitor final : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<bool(QObject* receiver, QEvent* event)>;

    LocalEventMonitor(QSet<QEvent::Type> types, Callback callback, QObject* parent = nullptr);
    ~LocalEventMonitor() override;

    LocalEventMonitor& start();

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

private:
    QSet<QEvent::Type> types_;
    Callback callback_;
    bool started_ = false;
};

}  // namespace GlobalShortcuts
