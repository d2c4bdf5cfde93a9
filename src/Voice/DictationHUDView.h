#pragma once

#include <QWidget>

class QuickDictationModel;

// The capsule of the dictation status display, drawn from the quick-dictation model; it
// keeps no state of its own and redraws when the model changes.
class DictationHUDView : public QWidget {
    Q_OBJECT

public:
    explicit DictationHUDView(QuickDictationModel& model, QWidget* parent = nullptr);

private:
    QuickDictationModel& model_;
};
