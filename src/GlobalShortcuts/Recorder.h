#pragma once

#include <QWidget>

#include "GlobalShortcuts/RecorderControl.h"

namespace GlobalShortcuts {

// The recorder as it is placed in a form: the field alone, or a label and the field in one
// row, the label to the left.
class Recorder final : public QWidget {
    Q_OBJECT
public:
    Recorder(NamedShortcuts& shortcuts, const Name& name, RecorderControl::OnChange onChange,
             const QString& label = {}, QWidget* parent = nullptr);

    RecorderControl& control() { return *control_; }
    void setName(const Name& name) { control_->setShortcutName(name); }

private:
    RecorderControl* control_;
};

}  // namespace GlobalShortcuts
