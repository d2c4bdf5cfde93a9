#include "SettingsWindow/Tabs/DictateOnlyRecorder.h"

#include <QVBoxLayout>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/WrappingLabel.h"
#include "GlobalShortcuts/NamedShortcuts.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "SettingsWindow/Blocks/ControlFrame.h"
#include "SettingsWindow/Tabs/ShortcutNames.h"

using GlobalShortcuts::Shortcut;

DictateOnlyRecorder::DictateOnlyRecorder(GlobalShortcuts::NamedShortcuts& shortcuts,
                                         QWidget* parent)
    : QWidget(parent),
      clash_(new WrappingLabel(tr("Schon für „Tavrin öffnen“ vergeben"), DS::Font::footnote(),
                               DS::Palette::warningText)) {
    recorder_ = new GlobalShortcuts::RecorderControl(
        shortcuts, ShortcutNames::dictateOnly(),
        [this, &shortcuts](const std::optional<Shortcut>& recorded) {
            const bool taken =
                recorded && shortcuts.getShortcut(ShortcutNames::invokeAssistant()) == recorded;
            // One combination cannot serve both: the main shortcut keeps it.
            if (taken)
                shortcuts.setShortcut(std::nullopt, ShortcutNames::dictateOnly());
            clash_->setVisible(taken);
        });
    recorder_->setMinimumWidth(190);
    ControlFrame::follow(recorder_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(recorder_, 0, Qt::AlignRight);
    layout->addWidget(clash_, 0, Qt::AlignRight);
    clash_->hide();
}

bool DictateOnlyRecorder::showsClash() const {
    return !clash_->isHidden();
}
