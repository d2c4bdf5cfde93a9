#pragma once

#include <QWidget>

#include "Design/Color.h"

class QHBoxLayout;

// The panel's card for something the user has to know or do: a tinted symbol in a soft
// circle, a title, a message that wraps as far as it needs, and the caller's buttons.
class NoticeBlock : public QWidget {
    Q_OBJECT

public:
    NoticeBlock(const QString& symbol, const DS::Color& tint, const DS::Color& tintSoft,
                const QString& title, const QString& message, QWidget* parent = nullptr);

    // Adds a button (or any widget) to the action row, after those already there.
    void addAction(QWidget* action);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    DS::Color tint_;
    DS::Color tintSoft_;
    QHBoxLayout* actions_ = nullptr;
};
