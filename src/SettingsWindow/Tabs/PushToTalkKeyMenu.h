#pragma once

#include <QAbstractButton>

#include "Settings/PushToTalkKey.h"

class SettingsStore;

// The key held in the panel to talk: a bordered label with the current key that opens the
// list of keys, and a small clear mark that switches push-to-talk off.
class PushToTalkKeyMenu : public QAbstractButton {
    Q_OBJECT

public:
    explicit PushToTalkKeyMenu(SettingsStore& store, QWidget* parent = nullptr);

    PushToTalkKey shownKey() const { return key_; }
    // Where the clear mark sits; empty when the key is already off.
    QRectF clearMarkRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void showKey();
    void choose(PushToTalkKey key);
    void openMenu();

    SettingsStore& store_;
    PushToTalkKey key_;
};
