#pragma once

#include <QtGlobal>

// The look of a StyledButton. Three styles serve every window: primary (filled accent, the
// one action that moves on), secondary (outlined, the alternatives) and quiet (text only,
// the least important action). Callers give the first two their height and corner radius:
// 28 and 8 in the panel's rows, 26 and 7 in notices and cards. Plain is the label alone, as
// large as it is, without padding or fill: a small mark inside something that has its own
// frame, like the close mark of a toast.
struct ButtonStyle {
    enum class Kind { primary, secondary, quiet, plain };

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
    static ButtonStyle plain() { return {Kind::plain, 0, 0}; }

    qreal horizontalPadding() const {
        switch (kind) {
            case Kind::quiet:
                return 8;
            case Kind::plain:
                return 0;
            default:
                return 12;
        }
    }

    bool operator==(const ButtonStyle&) const = default;
};
