#include "Design/ProviderChip.h"

#include <QPainter>
#include <cmath>

#include "Design/Fonts.h"
#include "Design/LabelRow.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/StatusDot.h"

namespace {

constexpr qreal dotSize = 6;
constexpr qreal spacing = 5;
constexpr qreal padding = 8;

LabelRow nameAndChevron(const QString& name, bool showsMenu) {
    std::vector<LabelRow::Part> parts{LabelRow::text(name)};
    if (showsMenu) {
        LabelRow::Part chevron = LabelRow::symbol(QStringLiteral("chevron.down"));
        chevron.symbolSize = 7;
        chevron.symbolWeight = QFont::Bold;
        parts.push_back(chevron);
    }
    return LabelRow(parts, spacing);
}

}  // namespace

ProviderChip::ProviderChip(const QString& name, bool isReady, bool showsMenu, QWidget* parent)
    : QAbstractButton(parent), name_(name), ready_(isReady), showsMenu_(showsMenu) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(showsMenu ? Qt::TabFocus : Qt::NoFocus);
    setText(name);
}

void ProviderChip::setName(const QString& name) {
    if (name_ == name)
        return;
    name_ = name;
    setText(name);
    updateGeometry();
    update();
}

void ProviderChip::setReady(bool ready) {
    if (ready_ == ready)
        return;
    ready_ = ready;
    update();
}

void ProviderChip::setShowsMenu(bool showsMenu) {
    if (showsMenu_ == showsMenu)
        return;
    showsMenu_ = showsMenu;
    setFocusPolicy(showsMenu ? Qt::TabFocus : Qt::NoFocus);
    updateGeometry();
    update();
}

QSize ProviderChip::sizeHint() const {
    const QSizeF content =
        nameAndChevron(name_, showsMenu_).size(DS::Font::system(11, QFont::Medium));
    return {static_cast<int>(std::ceil(padding + dotSize + spacing + content.width() + padding)),
            20};
}

bool ProviderChip::hitButton(const QPoint& pos) const {
    // Without a menu there is nothing to press.
    return showsMenu_ && QAbstractButton::hitButton(pos);
}

void ProviderChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF box = rect();
    RoundedBox::fill(painter, box, box.height() / 2, DS::Palette::fill.resolve(this));
    StatusDot::paintDot(painter, QRectF(padding, (box.height() - dotSize) / 2, dotSize, dotSize),
                        (ready_ ? DS::Palette::success : DS::Palette::warning).resolve(this));
    const qreal textLeft = padding + dotSize + spacing;
    nameAndChevron(name_, showsMenu_)
        .paint(painter, QRectF(textLeft, 0, box.width() - textLeft - padding, box.height()),
               DS::Font::system(11, QFont::Medium), DS::Palette::secondary.resolve(this), this,
               Qt::AlignLeft | Qt::AlignVCenter);
}
