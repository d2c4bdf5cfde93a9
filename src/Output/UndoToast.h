#pragma once

#include <QList>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

#include "Design/FloatingPlacement.h"
#include "Output/FieldRestorer.h"
#include "Platform/Clock.h"
#include "Platform/RunningApplication.h"

class TextInserter;
class UndoToastView;
namespace Platform {
class Compositor;
class TerminalWindows;
class WindowActivation;
}  // namespace Platform

// After an insertion, a small capsule beside the field offers to undo it for six seconds.
// Its window never takes the keyboard and never activates Tavrin, so the user keeps typing
// where the text went. The window is made on the first show and kept; each show installs a
// fresh view, each finished hide removes it. Main thread only.
class UndoToast {
public:
    struct Services {
        Platform::Clock& clock;
        // Its key sender delivers the undo key.
        TextInserter& inserter;
        Platform::WindowActivation& windows;
        Platform::TerminalWindows& terminals;
        // Without one (or while none runs) the window is cut to the capsule.
        Platform::Compositor* compositor = nullptr;
        // Undoes in a field read at the paste, and only what the paste put in.
        FieldRestorer* restorer = nullptr;
    };

    using Screen = FloatingPlacement::Screen;

    static constexpr Platform::Milliseconds kShownFor{6000};
    static constexpr Platform::Milliseconds kFadeIn{180};
    static constexpr Platform::Milliseconds kFadeOut{200};
    static constexpr Platform::Milliseconds kUndoDelay{120};

    explicit UndoToast(Services services);
    ~UndoToast();
    UndoToast(const UndoToast&) = delete;
    UndoToast& operator=(const UndoToast&) = delete;

    // Shows the toast beside `near` (global coordinates, top-left origin) for an insertion
    // into `target`. A terminal's toast offers no undo: its undo key would suspend the program
    // running in it. A show while the toast (or a notice) is up or fading replaces it and
    // starts its time anew.
    // `change` is the field as it was right before the paste and as the paste left it, where
    // the restorer read it: the undo then goes through the restorer. Without one the undo key
    // goes to the target, unless `fieldUnknown` says that the target shows its fields but the
    // one that took the paste could not be read: such an undo cannot be checked, and the toast
    // offers none.
    // A `notice` replaces "Eingefügt" (with a warning sign) where the paste went in, but not as
    // asked.
    void show(const std::optional<QRectF>& near,
              const std::optional<Platform::RunningApplication>& target,
              const std::optional<FieldRestorer::Change>& change = std::nullopt,
              bool fieldUnknown = false, const QString& notice = {});
    // Shows `notice` in the same place, without an undo button, for as long as the toast.
    void tell(const std::optional<QRectF>& near, const QString& notice);
    // Fades the toast out; the close button, the undo button and the timer call it.
    void hide();

    bool isVisible() const;
    QWidget* window() const { return window_; }
    UndoToastView* view() const { return view_; }

    // Where the window goes: FloatingPlacement's place with a gap of 10; an anchor without
    // width and height counts as none. None without any screen.
    static std::optional<QRectF> frame(const std::optional<QRectF>& anchor, QSizeF size,
                                       const QList<Screen>& screens,
                                       std::optional<qsizetype> mainScreen);
    // The same on the real screens; the main screen is the one under the pointer, since
    // Tavrin is never the active application.
    static std::optional<QRectF> frame(const std::optional<QRectF>& anchor, QSizeF size);
    // `placed` moved beside the first of `windows` that covers it (below, above, right, left,
    // inside `area`) so that it covers none of them; `placed` itself when it covers none or
    // no place is clear.
    static QRectF apart(const QRectF& placed, const QList<QRectF>& windows, const QRectF& area);

    // What the toast says after an undo that could not be done.
    static QString refusedText();
    // What it says when a paste did not happen.
    static QString notPastedText();
    // What it says when another program wrote to the clipboard before the paste was known.
    static QString overwrittenText();
    // What it says when the user's clipboard could not be kept, and nothing was pasted.
    static QString unsavedText();
    // What it says when the clipboard would not take the text either.
    static QString notPlacedText();
    // What it says when the clipboard would not take a copy of the draft.
    static QString notCopiedText();
    // What it says when the field kept only the beginning of the text.
    static QString partialText();
    // What it says when no key went out because the program has not answered an earlier one.
    static QString busyText();
    // What it says when the text went in but the Return that was to send it did not go out.
    static QString notSentText();
    // The same where the field did not answer whether the keyboard was still in it.
    static QString notSentUnseenText();

private:
    class WindowWatch;

    void present(const std::optional<QRectF>& near, UndoToastView* view);
    void keepApart();
    void undo();
    void fade(qreal to, Platform::Milliseconds duration, std::function<void()> done);
    void finishHide(std::uint64_t generation);

    Services s_;
    QPointer<QWidget> window_;
    QPointer<UndoToastView> view_;
    std::optional<Platform::RunningApplication> target_;
    std::optional<FieldRestorer::Change> change_;
    bool fieldUnknown_ = false;
    std::optional<QRectF> near_;
    // Moves the toast aside when another window of Tavrin's comes over it.
    std::unique_ptr<WindowWatch> watch_;
    // Counts shows: the end of a fade-out hides the window only if no show came after it.
    std::uint64_t generation_ = 0;
    bool hiding_ = false;
    std::unique_ptr<Platform::Timer> hideTimer_;
    std::unique_ptr<Platform::Timer> fadeStepTimer_;
    std::unique_ptr<Platform::Timer> fadeEndTimer_;
    std::unique_ptr<Platform::Timer> undoTimer_;
    // Lets a callback tell that the toast still exists.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
