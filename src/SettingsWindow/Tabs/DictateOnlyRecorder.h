#pragma once

#include <QWidget>

namespace GlobalShortcuts {
class NamedShortcuts;
class RecorderControl;
}  // namespace GlobalShortcuts

class WrappingLabel;

// The recorder of the dictate-only shortcut. It refuses the main shortcut's combination:
// the recording is undone at once and a line under the field says why, until the user
// records something else or clears the field.
class DictateOnlyRecorder : public QWidget {
    Q_OBJECT

public:
    explicit DictateOnlyRecorder(GlobalShortcuts::NamedShortcuts& shortcuts,
                                 QWidget* parent = nullptr);

    GlobalShortcuts::RecorderControl* recorder() const { return recorder_; }
    bool showsClash() const;

private:
    GlobalShortcuts::RecorderControl* recorder_;
    WrappingLabel* clash_;
};
