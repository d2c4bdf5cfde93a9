#include "SettingsWindow/Blocks/SingleClick.h"

#include <QAbstractButton>
#include <QEvent>

namespace SingleClick {

namespace {

class DoubleClickFilter final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == QEvent::MouseButtonDblClick;
    }
};

}  // namespace

void guard(QAbstractButton* button) {
    button->installEventFilter(new DoubleClickFilter(button));
}

}  // namespace SingleClick
