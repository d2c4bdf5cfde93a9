#pragma once

#include <QComboBox>
#include <optional>

// A drop-down list of labelled values, sized to its longest label. Showing a stored value
// never counts as a choice: `picked` reports only what the user chose, so opening a tab
// writes nothing. A stored value that is none of the entries shows no selection and is left
// as it is. The wheel never changes it: turned over a closed picker it scrolls the page.
class ValuePicker : public QComboBox {
    Q_OBJECT

public:
    explicit ValuePicker(QWidget* parent = nullptr);

    void addValue(const QString& label, const QString& value);
    void addDivider();

    // The value shown as selected; none when the stored value matches no entry.
    std::optional<QString> value() const;
    void setValue(const QString& value);

signals:
    void picked(const QString& value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};
