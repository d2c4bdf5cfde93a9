#pragma once

#include <QObject>
#include <QPointer>
#include <QTransform>
#include <functional>
#include <memory>
#include <optional>

#include "Panel/AnchoredPanel.h"
#include "Panel/PanelPlacement.h"

class AssistantSession;
class ContentTransformEffect;
class PanelActions;
class PanelView;

namespace Platform {
class Clock;
class FloatingWindows;
class Timer;
}  // namespace Platform

// Owns the one assistant panel for the whole run: hosts a fresh view for every invocation,
// places the panel beside the field the user works in, keeps it sized to its content and
// brings it in and out. Main thread only.
class PanelController : public QObject {
    Q_OBJECT

public:
    struct Services {
        Platform::Clock& clock;
        Platform::FloatingWindows& windows;
        // Whether the desktop asks for little motion; read at each show and hide. Unset: the
        // design theme's answer.
        std::function<bool()> reduceMotion;
        // The screens the panel opens on; unset: the desktop's.
        std::function<PanelPlacement::Screens()> screens;
    };

    explicit PanelController(Services services, QObject* parent = nullptr);
    ~PanelController() override;

    AnchoredPanel& panel() { return *panel_; }
    // The view of the current invocation; null while hidden.
    PanelView* view() const { return view_; }
    // From the start of an animated hide until it completes or the next show.
    bool isClosing() const { return isClosing_; }

    // Set by the application; Escape anywhere in the panel calls it.
    std::function<void()> onEscape;

    // Hosts a new view for `session` and brings the panel in beside the session's field. The
    // panel takes the keyboard on behalf of the key press at `userTime` (X server time; 0 when
    // unknown).
    void show(AssistantSession& session, PanelActions& actions, quint32 userTime = 0);
    // Takes the panel out: gives the keyboard back at once, then fades when it is visible.
    void hide();
    // Makes the panel's window ahead of the first show, which makes it otherwise; the program
    // calls it once its tray icon is on screen, so that neither waits for the other.
    void prepareWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Motion {
        double seconds = 0;
        double fromOpacity = 0;
        double toOpacity = 1;
        std::function<double(double)> opacityCurve;
        // Progress (0…1 over `seconds`, or a spring value) to the transform; none leaves it.
        std::function<QTransform(double)> transformAt;
        double transformSeconds = 0;
        std::function<void()> done;
    };

    void resize(QSize size);
    // Tells the view how high it may be on the screen that `frame`, held by `anchor`, lands on.
    void budgetFor(const QRectF& frame, const std::optional<AnchoredPanel::Anchor>& anchor);
    void animateIn(bool growsDown);
    void run(Motion motion);
    void tick();
    void stopMotion();
    void closePopups();
    void teardown();
    ContentTransformEffect* transformEffect();
    void takeKeyboardWhenExposed();
    quint64 windowId();

    Services services_;
    std::unique_ptr<AnchoredPanel> panel_;
    QPointer<PanelView> view_;
    bool isClosing_ = false;
    bool windowPrepared_ = false;
    int transition_ = 0;
    bool compositing_ = false;
    std::optional<quint32> pendingKeyboard_;

    std::optional<Motion> motion_;
    std::chrono::nanoseconds motionStart_{0};
    std::unique_ptr<Platform::Timer> ticker_;
};
