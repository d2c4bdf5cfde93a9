#include "GlobalShortcuts/ShortcutBinding.h"

#include "GlobalShortcuts/NamedShortcuts.h"

namespace GlobalShortcuts {

ShortcutBinding::ShortcutBinding(NamedShortcuts& shortcuts, Name name, Apply apply, QObject* target)
    : QObject(target), shortcuts_(shortcuts), name_(std::move(name)), apply_(std::move(apply)) {
    connect(&shortcuts_, &NamedShortcuts::shortcutByNameDidChange, this,
            [this](const Name& changed) {
                if (changed == name_)
                    update();
            });
    connect(&shortcuts_, &NamedShortcuts::recorderActiveStatusDidChange, this, [this](bool active) {
        recorderActive_ = active;
        update();
    });
    recorderActive_ = shortcuts_.isPaused();
    update();
}

void ShortcutBinding::update() {
    if (recorderActive_) {
        apply_({});
        return;
    }
    const auto shortcut = shortcuts_.getShortcut(name_);
    apply_(shortcut ? shortcuts_.keySequence(*shortcut) : QKeySequence());
}

}  // namespace GlobalShortcuts
