#pragma once

#include <QtGlobal>

// The look of a StyledButton. Three styles serve every window: primary (filled accent, the
// one action that moves on), secondary (outlined, the alternatives) and quiet (text only,
// the least important action). Callers give the first two their height and corner radius:
// 28 and 8 in the panel's rows, 26 and 7 in notices and cards.
struct ButtonStyle {
    enum class Kind { primary, secondary, quiet };

    Kind kind = Kind::secondary;
    qreal height = 28;
    qreal radius = 8;

    static ButtonStyle primary(qreal height, qreal radius) {
        return {Kind::primary, height, radius};
    }
    static ButtonStyle secondary(qreal height, qreal radius) {
        return {Kind::secondary, height, radius};
    }
    static ButtonStyle quiet() { return {Kind::quiet, 28, 8}; }

    qreal horizontalPadding() const { return kind == Kind::quiet ? 8 : 12; }

    bool operator==(const ButtonStyle&) const = default;
};
