#pragma once

#include <QWidget>

class QLineEdit;
class QPlainTextEdit;

// An editable text on the field background, in the three shapes the cards use: one line, an
// editor of several lines that is as tall as its text up to a bound and scrolls past it, and a
// field that grows from one to three lines as its text wraps. Emits edited() only for the user's
// own changes, never for setText().
class CardTextField : public QWidget {
    Q_OBJECT

public:
    enum class Shape { line, editor, growing };

    explicit CardTextField(Shape shape, bool monospaced = false, QWidget* parent = nullptr);

    QString text() const;
    // Leaves the text and the caret alone when the text is already the same, so that an edit
    // that comes back from the session does not move the caret. A new text is shown from its
    // beginning.
    void setText(const QString& text);
    // The grey text an empty field shows.
    void setPlaceholder(const QString& text);
    // What assistive technology calls the editor: the label shown beside or above it.
    void setLabel(const QString& label);
    // The lines the growing field shows now (1 to 3); the other shapes report 1.
    int shownLines() const;
    // The lines the growing field's text takes at its width, shown or scrolled away.
    int totalLines() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void edited(const QString& text);
    // The growing field's text now takes `total` lines at its width.
    void linesChanged(int total);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyColours();
    void fitHeight();
    void applyHeight(int height);
    // The lines the text takes at the field's width, counted up to `enough`.
    int countLines(int enough) const;
    int heightFor(int lines) const;

    Shape shape_;
    QLineEdit* line_ = nullptr;
    QPlainTextEdit* lines_ = nullptr;
    bool setting_ = false;
    int shownLines_ = 1;
    int totalLines_ = 1;
};
