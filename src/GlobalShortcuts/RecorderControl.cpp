#include "GlobalShortcuts/RecorderControl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QPushButton>

#include "GlobalShortcuts/LocalEventMonitor.h"
#include "GlobalShortcuts/MenuItemShortcut.h"
#include "GlobalShortcuts/NamedShortcuts.h"
#include "GlobalShortcuts/Strings.h"

namespace GlobalShortcuts {

namespace {

// A click this close to the field still counts as inside it.
constexpr int clickSlack = 3;

// Nothing is ever typed into the field, so a caret would only suggest otherwise.
class CaretlessStyle final : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TextCursorWidth)
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

}  // namespace

RecorderControl::RecorderControl(NamedShortcuts& shortcuts, Name name, OnChange onChange,
                                 QWidget* parent)
    : QLineEdit(parent),
      shortcuts_(shortcuts),
      name_(std::move(name)),
      onChange_(std::move(onChange)) {
    setPlaceholderText(Strings::text("record_shortcut"));
    setAlignment(Qt::AlignCenter);
    setClearButtonEnabled(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* style = new CaretlessStyle;
    style->setParent(this);
    setStyle(style);
    connect(this, &QLineEdit::textChanged, this, &QWidget::updateGeometry);
    connect(this, &QLineEdit::textEdited, this, &RecorderControl::textWasEdited);
    connect(&shortcuts_, &NamedShortcuts::shortcutByNameDidChange, this,
            [this](const Name& changed) {
                if (changed == name_)
                    showStoredShortcut();
            });
    showStoredShortcut();
}

RecorderControl::~RecorderControl() {
    if (active_)
        endRecording();
}

void RecorderControl::setShortcutName(const Name& name) {
    const bool changed = !(name == name_);
    name_ = name;
    if (changed)
        showStoredShortcut();
}

QSize RecorderControl::sizeHint() const {
    QSize size = QLineEdit::sizeHint();
    // Wide enough for the longest description and the clear button beside it.
    const QFontMetrics metrics = fontMetrics();
    const int textWidth =
        std::max(metrics.horizontalAdvance(text()), metrics.horizontalAdvance(placeholderText()));
    size.setWidth(std::max(minimumWidth, textWidth + 2 * size.height()));
    return size;
}

void RecorderControl::showStoredShortcut() {
    const auto shortcut = shortcuts_.getShortcut(name_);
    setText(shortcut ? shortcuts_.describe(*shortcut) : QString());
}

bool RecorderControl::event(QEvent* event) {
    // Shortcuts of our own windows would take the keys before the field sees them.
    if (event->type() == QEvent::ShortcutOverride && isRecording()) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void RecorderControl::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // A window that becomes active hands its focus back; that is no wish to record.
    if (event->reason() == Qt::ActiveWindowFocusReason && !resumeAfterAlert_) {
        clearFocus();
        return;
    }
    startRecording();
}

void RecorderControl::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    endRecording();
    // Another window came to the front: coming back should not resume recording.
    if (event->reason() == Qt::ActiveWindowFocusReason)
        clearFocus();
}

void RecorderControl::hideEvent(QHideEvent* event) {
    QLineEdit::hideEvent(event);
    // Qt hands the focus of a widget that goes out of sight to the next one, which may be
    // another recorder (a conflict notice closes once its recorder stored a free combination):
    // that one would record the next key pressed. Given up here, the focus goes nowhere.
    if (hasFocus())
        clearFocus();
    endRecording();
}

void RecorderControl::startRecording() {
    resumeAfterAlert_ = false;
    setPlaceholderText(Strings::text("press_shortcut"));
    updateGeometry();
    // A focused field hides a centred placeholder.
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    active_ = true;
    shortcuts_.setRecorderActive(true);
    dropMonitor();
    monitor_ = std::make_unique<LocalEventMonitor>(
        QSet<QEvent::Type>{QEvent::KeyPress, QEvent::MouseButtonRelease},
        [this](QObject* receiver, QEvent* event) { return handleRecordingEvent(receiver, event); });
    monitor_->start();
}

// Also when not recording: any recorder's end lifts the pause.
void RecorderControl::endRecording() {
    dropMonitor();
    setPlaceholderText(Strings::text("record_shortcut"));
    updateGeometry();
    setAlignment(Qt::AlignCenter);
    active_ = false;
    shortcuts_.setRecorderActive(false);
}

// The monitor may be the caller (a key that ends recording): it goes once it returned. It
// stops listening now, so no event reaches a control that is gone before the deletion runs.
void RecorderControl::dropMonitor() {
    if (!monitor_)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(monitor_.get());
    monitor_.release()->deleteLater();
}

bool RecorderControl::handleRecordingEvent(QObject* receiver, QEvent* event) {
    // Events reach the window first and then the widget: decide once, at the widget.
    auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget)
        return false;
    RecorderEvent input;
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton)
            return false;
        // The clear button lives inside the field and must get its click.
        if (widget != this && isAncestorOf(widget))
            return false;
        const QPoint local = mapFromGlobal(mouse->globalPosition().toPoint());
        const bool inside =
            rect().adjusted(-clickSlack, -clickSlack, clickSlack, clickSlack).contains(local);
        input.kind =
            inside ? RecorderEvent::Kind::MouseUpInside : RecorderEvent::Kind::MouseUpOutside;
    } else {
        const auto* key = static_cast<QKeyEvent*>(event);
        input.qtKey = key->key();
        input.modifiers = key->modifiers();
        input.shortcut = Shortcut::fromEvent(*event, shortcuts_.registry().keyCodeOfScanCode());
    }
    const auto menuItemUsing = [this](const Shortcut& shortcut) -> std::optional<QString> {
        const QMenu* menu = shortcuts_.mainMenu();
        if (!menu)
            return std::nullopt;
        if (const QAction* item =
                MenuItemShortcut::itemWithMatchingShortcut(*menu, shortcut, shortcuts_))
            return item->text();
        return std::nullopt;
    };
    const auto isSystem = [this](const Shortcut& shortcut) {
        return shortcuts_.registry().isSystemShortcut(shortcut);
    };
    return apply(decideRecording(input, menuItemUsing, isSystem));
}

bool RecorderControl::apply(const RecorderDecision& decision) {
    using Action = RecorderDecision::Action;
    switch (decision.action) {
        case Action::Ignore:
            return true;
        case Action::EndAndPass:
            clearFocus();
            return false;
        case Action::EndAndSwallow:
            clearFocus();
            return true;
        case Action::Swallow:
            return true;
        case Action::Clear:
            // As a click on the clear button; with nothing shown there is nothing to clear.
            if (!text().isEmpty()) {
                clear();
                textWasEdited(QString());
            }
            return true;
        case Action::Beep:
            QApplication::beep();
            return true;
        case Action::MenuClash:
            showAlert(
                Strings::text("keyboard_shortcut_used_by_menu_item").arg(decision.menuItemTitle),
                {}, false, *decision.shortcut);
            return true;
        case Action::SystemClash:
            showAlert(Strings::text("keyboard_shortcut_used_by_system"),
                      Strings::text("keyboard_shortcuts_can_be_changed"), true, *decision.shortcut);
            return true;
        case Action::Store:
            store(*decision.shortcut);
            return true;
    }
    return true;
}

void RecorderControl::store(const Shortcut& shortcut) {
    setText(shortcuts_.describe(shortcut));
    shortcuts_.userDefaultsSet(name_, shortcut);
    if (onChange_)
        onChange_(shortcut);
    clearFocus();
}

void RecorderControl::textWasEdited(const QString& text) {
    if (!text.isEmpty())
        return;
    shortcuts_.setShortcut(std::nullopt, name_);
    if (onChange_)
        onChange_(std::nullopt);
    // Recording goes on after a clear, unless the clear took the field out of sight.
    if (isVisible())
        setFocus(Qt::OtherFocusReason);
}

// Recording stops while the alert is up (its keys are the alert's) and starts again after.
void RecorderControl::showAlert(const QString& text, const QString& informativeText,
                                bool offerForce, const Shortcut& shortcut) {
    clearFocus();
    auto* box =
        new QMessageBox(QMessageBox::Warning, QString(), text, QMessageBox::NoButton, window());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setInformativeText(informativeText);
    QPushButton* ok = box->addButton(Strings::text("ok"), QMessageBox::AcceptRole);
    QAbstractButton* force = nullptr;
    if (offerForce)
        force = box->addButton(Strings::text("force_use_shortcut"), QMessageBox::DestructiveRole);
    box->setDefaultButton(ok);
    connect(box, &QMessageBox::finished, this, [this, box, force, shortcut] {
        if (force && box->clickedButton() == force) {
            store(shortcut);
            return;
        }
        // The focus may only come back once the window is active again.
        resumeAfterAlert_ = true;
        window()->activateWindow();
        setFocus(Qt::OtherFocusReason);
    });
    alert_ = box;
    box->open();
}

}  // namespace GlobalShortcuts
