#pragma once

namespace GlobalShortcuts {

enum class EventType { KeyDown, KeyUp };

}  // namespace GlobalShortcuts
