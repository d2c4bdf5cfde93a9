#pragma once

#include <QPlainTextEdit>

// A text editor of several lines for a settings text. Filled, it sits on a soft fill with
// rounded corners and 10 of inner padding; bare, it sits straight on its card; as a field it
// looks like a one-line text field and grows with its text. Like the
// one-line field, it reports only the user's edits and never echoes a value it is shown.
// Filled or bare, Tab types a tab; Control+Tab and Shift+Tab move the focus on and back.
class SettingsTextEditor : public QPlainTextEdit {
    Q_OBJECT

public:
    enum class Look { filled, bare, field };

    // `height` is ignored for a field, which is as high as its lines.
    SettingsTextEditor(Look look, int height, const QFont& font, QWidget* parent = nullptr);

    // Shows `value`; keeps the cursor and does nothing when the text is already shown.
    void setValue(const QString& value);

signals:
    void edited(const QString& text);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitHeight();

    Look look_;
    bool showing_ = false;
};
