#pragma once

#include "Design/LabelRow.h"
#include "Design/TextWidget.h"

// A symbol followed by a text in one colour ("✓ Verbunden", "Kopieren" with its symbol), or
// a symbol alone when the text is empty. The symbol is as high as the font unless given a
// size of its own.
class SymbolLabel : public TextWidget {
    Q_OBJECT

public:
    SymbolLabel(const QString& symbol, const QString& text, const QFont& font,
                const DS::Color& color, QWidget* parent = nullptr);

    // The symbol's own side and weight (a 9.5 semibold lock before an 11.5 text).
    void setSymbolStyle(qreal size, QFont::Weight weight);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LabelRow row() const;

    QString symbol_;
    std::optional<qreal> symbolSize_;
    std::optional<QFont::Weight> symbolWeight_;
};
