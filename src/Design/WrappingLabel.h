#pragma once

#include "Design/TextWidget.h"

// Text over as many lines as it needs at the width it is given, never cut off, each line
// aligned left, centred or right; its colour is resolved when drawn. Shown as plain text,
// so a message from another program can never turn into markup.
class WrappingLabel : public TextWidget {
    Q_OBJECT

public:
    WrappingLabel(const QString& text, const QFont& font, const DS::Color& color,
                  Qt::Alignment alignment = Qt::AlignLeft, QWidget* parent = nullptr);

    // The lines at the current width.
    QStringList lines() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Alignment alignment_;
};
