#include "GlobalShortcuts/EventStream.h"

#include "GlobalShortcuts/NamedShortcuts.h"

namespace GlobalShortcuts {

EventStream::EventStream(NamedShortcuts& owner, Name name, std::optional<EventType> only,
                         QObject* parent)
    : QObject(parent), owner_(&owner), name_(std::move(name)), only_(only) {}

EventStream::~EventStream() {
    if (owner_)
        owner_->endStream(this);
}

void EventStream::deliver(EventType type) {
    if (!only_ || *only_ == type)
        emit event(type);
}

}  // namespace GlobalShortcuts
