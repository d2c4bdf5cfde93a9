// A window with one focused line edit. It prints "window <id>" once it is shown, then every
// text the line edit takes, one per line.
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLineEdit edit;
    edit.setWindowTitle(QStringLiteral("Eingabefeld"));
    edit.resize(320, 40);
    QObject::connect(&edit, &QLineEdit::textChanged, [](const QString& text) {
        std::printf("text %s\n", text.toUtf8().constData());
        std::fflush(stdout);
    });
    edit.show();
    edit.setFocus();
    QTimer::singleShot(0, [&edit] {
        std::printf("window %llu\n", static_cast<unsigned long long>(edit.winId()));
        std::fflush(stdout);
    });
    return app.exec();
}
