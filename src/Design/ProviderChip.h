#pragma once

#include <QAbstractButton>

// A small capsule naming an AI provider with a status dot (green ready, orange not). With a
// menu behind it, it shows a chevron and takes clicks; without, it is only a label. Height
// 20; the width follows the name.
class ProviderChip : public QAbstractButton {
    Q_OBJECT

public:
    ProviderChip(const QString& name, bool isReady, bool showsMenu, QWidget* parent = nullptr);

    void setName(const QString& name);
    QString name() const { return name_; }
    void setReady(bool ready);
    bool isReady() const { return ready_; }
    void setShowsMenu(bool showsMenu);
    bool showsMenu() const { return showsMenu_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QString name_;
    bool ready_;
    bool showsMenu_;
};
