#include "GlobalShortcuts/Recorder.h"

#include <QHBoxLayout>
#include <QLabel>

namespace GlobalShortcuts {

Recorder::Recorder(NamedShortcuts& shortcuts, const Name& name, RecorderControl::OnChange onChange,
                   const QString& label, QWidget* parent)
    : QWidget(parent), control_(new RecorderControl(shortcuts, name, std::move(onChange))) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    if (!label.isEmpty()) {
        auto* text = new QLabel(label);
        text->setBuddy(control_);
        row->addWidget(text, 0, Qt::AlignBaseline);
    }
    row->addWidget(control_, 0, Qt::AlignBaseline);
    row->addStretch(1);
}

}  // namespace GlobalShortcuts
