#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

class OnboardingCoordinator;
class OnboardingView;
class QShortcut;
class QWidget;

// Owns the onboarding window: built on the first show() and kept for the rest of the run, so
// closing it only hides it and the next show() brings back the same step.
class OnboardingWindowController : public QObject {
    Q_OBJECT

public:
    static constexpr int rightMargin = 40;

    explicit OnboardingWindowController(OnboardingCoordinator& coordinator,
                                        QObject* parent = nullptr);
    ~OnboardingWindowController() override;

    // Builds the window once, then brings it to the front.
    void show();
    // Hides the window (the end of the onboarding); its state stays.
    void close();

    // None until the first show().
    QWidget* window() const { return window_; }
    OnboardingView* view() const { return view_; }

    // Where a window of `size` (with its frame) opens in `available`: `rightMargin` left of its
    // right edge, at the centred height.
    static QPoint placement(const QRect& available, const QSize& size);

private:
    OnboardingCoordinator& coordinator_;
    QPointer<QWidget> window_;
    OnboardingView* view_ = nullptr;
};
