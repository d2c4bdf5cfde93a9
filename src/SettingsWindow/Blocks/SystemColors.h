#pragma once

#include "Design/Color.h"

// The desktop-neutral named colours that the settings and permission tiles use besides the
// palette: each tab and permission has a tile of its own hue, light and dark variant.
namespace SystemColors {

inline constexpr DS::Color blue{{0, 122, 255, 1}, {10, 132, 255, 1}};
inline constexpr DS::Color gray{{142, 142, 147, 1}, {152, 152, 157, 1}};
inline constexpr DS::Color orange{{255, 149, 0, 1}, {255, 159, 10, 1}};
inline constexpr DS::Color pink{{255, 45, 85, 1}, {255, 55, 95, 1}};
inline constexpr DS::Color indigo{{88, 86, 214, 1}, {94, 92, 230, 1}};
inline constexpr DS::Color teal{{48, 176, 199, 1}, {64, 200, 224, 1}};
inline constexpr DS::Color purple{{175, 82, 222, 1}, {191, 90, 242, 1}};
inline constexpr DS::Color red{{255, 59, 48, 1}, {255, 69, 58, 1}};

}  // namespace SystemColors
