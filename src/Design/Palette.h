#pragma once

#include "Design/Color.h"

// The application's colours, each with its light and dark variant. The only colours a view
// uses besides plain white and clear.
namespace DS::Palette {

inline constexpr Color label{{29, 29, 31, 1}, {245, 245, 247, 1}};
inline constexpr Color secondary{{85, 85, 92, 1}, {174, 174, 180, 1}};
inline constexpr Color tertiary{{102, 102, 110, 1}, {146, 146, 153, 1}};
inline constexpr Color fill{{0, 0, 0, 0.045}, {255, 255, 255, 0.06}};
inline constexpr Color fillStrong{{0, 0, 0, 0.08}, {255, 255, 255, 0.10}};
inline constexpr Color field{{255, 255, 255, 0.78}, {0, 0, 0, 0.22}};
inline constexpr Color answerBG{{255, 255, 255, 0.62}, {255, 255, 255, 0.05}};
inline constexpr Color card{{255, 255, 255, 1}, {42, 42, 45, 1}};
inline constexpr Color window{{242, 242, 245, 1}, {31, 31, 34, 1}};
inline constexpr Color panelTint{{250, 250, 252, 0.72}, {38, 38, 42, 0.62}};
inline constexpr Color stroke{{0, 0, 0, 0.10}, {255, 255, 255, 0.12}};
inline constexpr Color strokeStrong{{0, 0, 0, 0.22}, {255, 255, 255, 0.28}};
inline constexpr Color separator{{0, 0, 0, 0.08}, {255, 255, 255, 0.09}};
inline constexpr Color accent{{88, 86, 214, 1}, {94, 92, 230, 1}};
inline constexpr Color accentText{{79, 76, 209, 1}, {142, 140, 255, 1}};
inline constexpr Color accentSoft{{88, 86, 214, 0.12}, {125, 122, 255, 0.18}};
inline constexpr Color success{{52, 199, 89, 1}, {48, 209, 88, 1}};
inline constexpr Color successText{{31, 122, 54, 1}, {76, 217, 100, 1}};
inline constexpr Color warning{{255, 149, 0, 1}, {255, 159, 10, 1}};
inline constexpr Color warningText{{179, 71, 0, 1}, {255, 167, 51, 1}};
inline constexpr Color warningSoft{{255, 149, 0, 0.16}, {255, 159, 10, 0.18}};
inline constexpr Color errorText{{196, 39, 29, 1}, {255, 105, 97, 1}};
inline constexpr Color errorSoft{{255, 59, 48, 0.12}, {255, 69, 58, 0.18}};
inline constexpr Color avatarBG{{227, 225, 247, 1}, {58, 56, 112, 1}};
inline constexpr Color avatarText{{63, 60, 176, 1}, {207, 206, 255, 1}};

// Plain white, for labels on accent and coloured fills.
inline constexpr Color white = Color::fixed({255, 255, 255, 1});

}  // namespace DS::Palette
