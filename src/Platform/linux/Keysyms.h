#pragma once

#include <QtGlobal>

namespace Platform {

// The X keysyms the key sender, the paste watch and the key chords name (X11's keysymdef.h),
// in one place: the X server's keyboard mapping turns them into key codes.
constexpr quint32 keysymC = 0x0063;
constexpr quint32 keysymV = 0x0076;
constexpr quint32 keysymZ = 0x007a;
constexpr quint32 keysymReturn = 0xff0d;
constexpr quint32 keysymInsert = 0xff63;
constexpr quint32 keysymMenu = 0xff67;
constexpr quint32 keysymKeypadInsert = 0xff9e;
constexpr quint32 keysymF10 = 0xffc7;
constexpr quint32 keysymShiftL = 0xffe1;
constexpr quint32 keysymShiftR = 0xffe2;
constexpr quint32 keysymControlL = 0xffe3;
constexpr quint32 keysymControlR = 0xffe4;
constexpr quint32 keysymAltL = 0xffe9;

}  // namespace Platform
