#pragma once

#include <QWidget>

// One line of the welcome: a key box (a shortcut's keys or a symbol) and what it does.
class FeatureRow : public QWidget {
    Q_OBJECT

public:
    // `key` is shown in the box as text; without it, `symbol` is drawn there.
    FeatureRow(const QString& key, const QString& symbol, const QString& text,
               QWidget* parent = nullptr);

    QString key() const;
    // The key box's width; rows of one list share the widest, so their texts line up.
    int keyWidth() const;
    void setKeyWidth(int width);

private:
    class KeyBox;
    KeyBox* box_;
};
