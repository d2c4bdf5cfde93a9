#pragma once

#include <QObject>
#include <QPointer>
#include <optional>

#include "GlobalShortcuts/EventType.h"
#include "GlobalShortcuts/Name.h"

namespace GlobalShortcuts {

class NamedShortcuts;

// The key-downs and key-ups of one name, as a signal, for as long as the object lives.
// Destroying it ends the stream, and the name's combination is given back to the system when
// nothing else uses it.
class EventStream final : public QObject {
    Q_OBJECT
public:
    ~EventStream() override;

    const Name& name() const { return name_; }

signals:
    void event(GlobalShortcuts::EventType type);

private:
    friend class NamedShortcuts;
    EventStream(NamedShortcuts& owner, Name name, std::optional<EventType> only, QObject* parent);
    void deliver(EventType type);

    QPointer<NamedShortcuts> owner_;
    Name name_;
    std::optional<EventType> only_;
};

}  // namespace GlobalShortcuts
