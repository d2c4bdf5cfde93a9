#pragma once

#include <QLineEdit>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/RecorderDecision.h"
#include "GlobalShortcuts/Shortcut.h"

class QMessageBox;

namespace GlobalShortcuts {

class LocalEventMonitor;
class NamedShortcuts;

// The field in which the user records the combination of one named shortcut. It shows the
// stored combination; with the keyboard focus it records: the next acceptable combination is
// stored and reported, Escape keeps the old one, Backspace or the clear button removes it.
// While it records, the global shortcuts run no handlers and are not grabbed: their keys come
// to the field like any other, so one name's combination can be offered to another.
class RecorderControl final : public QLineEdit {
    Q_OBJECT
public:
    using OnChange = std::function<void(const std::optional<Shortcut>&)>;

    static constexpr int minimumWidth = 130;

    RecorderControl(NamedShortcuts& shortcuts, Name name, OnChange onChange,
                    QWidget* parent = nullptr);
    ~RecorderControl() override;

    const Name& shortcutName() const { return name_; }
    void setShortcutName(const Name& name);
    bool isRecording() const { return active_; }

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showStoredShortcut();
    void startRecording();
    void endRecording();
    void dropMonitor();
    bool handleRecordingEvent(QObject* receiver, QEvent* event);
    bool apply(const RecorderDecision& decision);
    void store(const Shortcut& shortcut);
    void textWasEdited(const QString& text);
    void showAlert(const QString& text, const QString& informativeText, bool offerForce,
                   const Shortcut& shortcut);

    NamedShortcuts& shortcuts_;
    Name name_;
    OnChange onChange_;
    std::unique_ptr<LocalEventMonitor> monitor_;
    bool active_ = false;
    bool resumeAfterAlert_ = false;
    QPointer<QMessageBox> alert_;
};

}  // namespace GlobalShortcuts
