#include "SettingsWindow/Blocks/SettingsRow.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/WrappingLabel.h"

namespace {

constexpr int horizontalPadding = 14;
constexpr int minimumRowHeight = 44;

}  // namespace

SettingsRow::SettingsRow(const QString& title, std::optional<QString> subtitle, QWidget* accessory,
                         QWidget* parent)
    : QWidget(parent),
      layout_(new QHBoxLayout(this)),
      title_(new WrappingLabel(title, DS::Font::body(), DS::Palette::label)),
      subtitle_(new WrappingLabel(subtitle.value_or(QString()), DS::Font::footnote(),
                                  DS::Palette::secondary)) {
    layout_->setSpacing(12);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    // The texts stay centred on the control when the row is taller than they are.
    texts->addStretch(1);
    texts->addWidget(title_);
    texts->addWidget(subtitle_);
    texts->addStretch(1);
    subtitle_->setVisible(subtitle.has_value());
    layout_->addLayout(texts, 1);
    // The gap between the texts and the control never closes.
    layout_->addSpacing(8);
    setMinimumHeight(minimumRowHeight);
    setAccessory(accessory);
    updateInsets();
}

std::optional<QString> SettingsRow::subtitle() const {
    if (subtitle_->isHidden())
        return std::nullopt;
    return subtitle_->text();
}

void SettingsRow::setSubtitle(const std::optional<QString>& subtitle) {
    subtitle_->setText(subtitle.value_or(QString()));
    subtitle_->setVisible(subtitle.has_value());
    updateInsets();
}

void SettingsRow::setAccessory(QWidget* accessory) {
    if (accessory_) {
        layout_->removeWidget(accessory_);
        delete accessory_;
    }
    accessory_ = accessory;
    if (!accessory_)
        return;
    // Switches and pickers carry no label of their own; the row's title names them.
    if (accessory_->accessibleName().isEmpty())
        accessory_->setAccessibleName(title_->text());
    layout_->addWidget(accessory_, 0, Qt::AlignVCenter);
}

void SettingsRow::updateInsets() {
    // A second line of text takes some of the row's breathing room.
    const int vertical = subtitle_->isHidden() ? 11 : 9;
    layout_->setContentsMargins(horizontalPadding, vertical, horizontalPadding, vertical);
}
