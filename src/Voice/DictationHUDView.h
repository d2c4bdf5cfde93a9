#pragma once

#include <QPointer>
#include <QWidget>

class AnimationDriver;
class ElidedLabel;
class QHBoxLayout;
class QuickDictationModel;

// The capsule of the dictation status display: a symbol area (level bars while listening, a
// spinner while the AI works, a result symbol at the end) and one line of text. Everything
// comes from the quick-dictation model; the view redraws when it changes.
class DictationHUDView : public QWidget {
    Q_OBJECT

public:
    explicit DictationHUDView(QuickDictationModel& model, QWidget* parent = nullptr);

    // The line shown now, before shortening.
    QString text() const;
    // Without a compositor nothing blends a translucent capsule with what lies beneath: it is
    // painted solid then.
    void setOpaque(bool opaque);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuildLeading();
    void updateText();
    void updateLevels();
    // A new status fades in over a short critically damped spring.
    void beginTransition();
    void stepTransition();

    QuickDictationModel& model_;
    QHBoxLayout* row_;
    QWidget* leading_;
    ElidedLabel* label_;
    QPointer<QWidget> waveform_;
    int shownBars_ = 0;
    bool opaque_ = false;
    AnimationDriver* driver_;
    double transitionStart_ = 0;
};
