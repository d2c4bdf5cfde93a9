#include "Design/Color.h"

#include "Design/Theme.h"

namespace DS {

QColor Rgba::toQColor() const {
    return QColor::fromRgbF(static_cast<float>(red / 255.0), static_cast<float>(green / 255.0),
                            static_cast<float>(blue / 255.0), static_cast<float>(alpha));
}

QColor Color::resolve(bool dark) const {
    return (dark ? this->dark : light).toQColor();
}

QColor Color::resolve(const QWidget* widget) const {
    return resolve(Theme::isDark(widget));
}

}  // namespace DS
