// The other application of the context tests on a real X server. "fields": a window titled
// "Testfenster" with a labelled line edit (placeholder, text, a selection) and a password
// field; "page": a window whose one paragraph keeps its text with a U+FFFC mark for each of its
// two child labels, the way web browsers do; "editor": a plain text editor of three lines that
// is its own window, titled "Editor", with "Welt" selected in the second line. Prints "window <id>"
// once shown; on the line "focus password" it moves the focus to the password field.
#include <unistd.h>

#include <QAccessibleWidget>
#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

namespace {

class PageWidget : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};

class PageAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit PageAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Paragraph) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(int start, int end) const override { return content().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(content().size()); }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString textBeforeOffset(int, QAccessible::TextBoundaryType, int* start,
                             int* end) const override {
        *start = *end = -1;
        return {};
    }
    QString textAfterOffset(int, QAccessible::TextBoundaryType, int* start,
                            int* end) const override {
        *start = *end = -1;
        return {};
    }
    QString textAtOffset(int, QAccessible::TextBoundaryType, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return content();
    }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    static QString content() { return QStringLiteral("Anfang \uFFFC Mitte \uFFFC Ende."); }
};

QAccessibleInterface* pageFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("PageWidget") && object->isWidgetType())
        return new PageAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const bool page = mode == QLatin1String("page");
    QAccessible::installFactory(pageFactory);

    QPlainTextEdit editor(QStringLiteral("Liebe Anna,\nHallo Welt und danke.\nBis bald"));
    const bool editing = mode == QLatin1String("editor");
    QWidget form;
    QWidget& window = editing ? static_cast<QWidget&>(editor) : form;
    QLineEdit* subject = nullptr;
    QLineEdit* password = nullptr;
    if (editing) {
        window.setWindowTitle(QStringLiteral("Editor"));
    } else if (page) {
        window.setWindowTitle(QStringLiteral("Seite"));
        auto* layout = new QVBoxLayout(&window);
        auto* paragraph = new PageWidget(&window);
        auto* inner = new QVBoxLayout(paragraph);
        inner->addWidget(new QLabel(QStringLiteral("erster Link"), paragraph));
        inner->addWidget(new QLabel(QStringLiteral("zweiter Link"), paragraph));
        layout->addWidget(paragraph);
    } else {
        window.setWindowTitle(QStringLiteral("Testfenster"));
        auto* layout = new QFormLayout(&window);
        subject = new QLineEdit(QStringLiteral("Hallo Welt"), &window);
        subject->setPlaceholderText(QStringLiteral("Worum geht es?"));
        auto* subjectLabel = new QLabel(QStringLiteral("&Betreff:"), &window);
        subjectLabel->setBuddy(subject);
        layout->addRow(subjectLabel, subject);
        password = new QLineEdit(QStringLiteral("geheim1"), &window);
        password->setEchoMode(QLineEdit::Password);
        auto* passwordLabel = new QLabel(QStringLiteral("&Passwort:"), &window);
        passwordLabel->setBuddy(password);
        layout->addRow(passwordLabel, password);
    }
    window.resize(editing ? 600 : 480, editing ? 300 : 260);
    window.show();
    if (subject) {
        subject->setFocus();
        subject->setSelection(6, 4);
    }
    if (editing) {
        QTextCursor cursor = editor.textCursor();
        cursor.setPosition(18);
        cursor.setPosition(22, QTextCursor::KeepAnchor);
        editor.setTextCursor(cursor);
    }

    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&commands, &QSocketNotifier::activated, [&] {
        char line[256] = {};
        const ssize_t length = ::read(STDIN_FILENO, line, sizeof line - 1);
        if (length <= 0) {
            commands.setEnabled(false);
            return;
        }
        if (password && QByteArray(line).startsWith("focus password")) {
            password->setFocus();
            password->selectAll();
        }
    });
    QTimer::singleShot(0, [&window] {
        std::printf("window %llu\n", static_cast<unsigned long long>(window.winId()));
        std::fflush(stdout);
    });
    return app.exec();
}

#include "FieldWindow.moc"
