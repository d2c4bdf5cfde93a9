#pragma once

#include <QKeySequence>
#include <QObject>
#include <functional>

#include "GlobalShortcuts/Name.h"

namespace GlobalShortcuts {

class NamedShortcuts;

// Keeps a key sequence (of a QAction or a QShortcut) on the stored combination of a name: set
// at once, set again whenever the name's combination changes, and empty while any recorder
// records, so that the keys typed into the recorder trigger nothing. A child of the object it
// serves, so it ends with it.
class ShortcutBinding final : public QObject {
    Q_OBJECT
public:
    using Apply = std::function<void(const QKeySequence&)>;

    ShortcutBinding(NamedShortcuts& shortcuts, Name name, Apply apply, QObject* target);

    const Name& name() const { return name_; }

private:
    void update();

    NamedShortcuts& shortcuts_;
    Name name_;
    Apply apply_;
    bool recorderActive_ = false;
};

}  // namespace GlobalShortcuts
