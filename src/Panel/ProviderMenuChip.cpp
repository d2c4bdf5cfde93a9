#include "Panel/ProviderMenuChip.h"

#include <QMenu>
#include <QPainter>
#include <QPixmap>

#include "Design/Palette.h"
#include "Design/ProviderChip.h"
#include "Design/SymbolPainter.h"

namespace {

QIcon checkmarkIcon(const QWidget* widget) {
    const qreal ratio = widget->devicePixelRatioF();
    QPixmap pixmap(QSize(16, 16) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    SymbolPainter::paint(painter, QStringLiteral("checkmark"), QRectF(2, 2, 12, 12),
                         DS::Palette::label.resolve(widget), QFont::DemiBold);
    return QIcon(pixmap);
}

}  // namespace

ProviderMenuChip::ProviderMenuChip(ProviderID current, StatusSource status, QWidget* parent)
    : QWidget(parent),
      current_(current),
      status_(std::move(status)),
      chip_(new ProviderChip(QString{}, false, false, this)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(chip_, &QAbstractButton::clicked, this, &ProviderMenuChip::openMenu);
    refresh();
}

QString ProviderMenuChip::displayName(ProviderID provider) {
    return provider == ProviderID::claudeCLI ? QStringLiteral("Claude") : QStringLiteral("ChatGPT");
}

ProviderMenuChip::Model ProviderMenuChip::model(ProviderID current, const StatusSource& status) {
    Model model;
    model.name = displayName(current);
    const ProviderStatusStore::State currentState = status(current);
    model.isReady = currentState.isReady();
    model.accessibleName = tr("Anbieter: %1").arg(model.name);

    // The current provider always counts; the others only when ready.
    std::vector<ProviderID> available;
    for (const ProviderID provider : allProviderIDs()) {
        if (provider == current || status(provider).isReady())
            available.push_back(provider);
    }
    model.showsMenu = available.size() >= 2;
    if (!model.showsMenu) {
        model.toolTip = model.isReady
                            ? tr("%1 ist verbunden").arg(model.name)
                            : model.name + QStringLiteral(": ") + currentState.shortText();
        return model;
    }
    for (const ProviderID provider : available) {
        const ProviderStatusStore::State state = status(provider);
        const QString text =
            state.isReady() ? displayName(provider)
                            : displayName(provider) + QStringLiteral(" – ") + state.shortText();
        model.entries.push_back({provider, text, provider == current});
    }
    return model;
}

void ProviderMenuChip::setCurrent(ProviderID current) {
    if (current_ == current)
        return;
    current_ = current;
    refresh();
}

void ProviderMenuChip::refresh() {
    model_ = model(current_, status_);
    chip_->setName(model_.name);
    chip_->setReady(model_.isReady);
    chip_->setShowsMenu(model_.showsMenu);
    chip_->resize(chip_->sizeHint());
    setToolTip(model_.showsMenu ? QString{} : model_.toolTip);
    setAccessibleName(model_.accessibleName);
    chip_->setAccessibleName(model_.accessibleName);
    updateGeometry();
}

QSize ProviderMenuChip::sizeHint() const {
    return chip_->sizeHint();
}

void ProviderMenuChip::openMenu() {
    if (!model_.showsMenu)
        return;
    // Opened without a loop of its own: the panel that holds the chip can go while the menu is
    // open (a shortcut press dismisses it), and the menu then goes with the chip.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const Model::Entry& entry : model_.entries) {
        QAction* action = entry.checked ? menu->addAction(checkmarkIcon(this), entry.text)
                                        : menu->addAction(entry.text);
        const ProviderID provider = entry.provider;
        connect(action, &QAction::triggered, this, [this, provider] { emit selected(provider); });
    }
    menu->popup(mapToGlobal(QPoint(0, height() + 2)));
}
