#pragma once

#include <QFont>
#include <QRectF>
#include <QString>
#include <optional>
#include <vector>

#include "Design/Color.h"

class QPainter;
class QWidget;

// Texts, symbols and a small spinner side by side, vertically centred: the content of
// buttons, chips, key caps and symbol labels. Each part may carry its own font, colour and
// opacity ("⌘R" in a quieter colour after "Neu"); the rest take the row's colour.
class LabelRow {
public:
    struct Part {
        enum class Kind { text, symbol, spinner };
        Kind kind = Kind::text;
        QString content;  // the text, or the symbol's name
        std::optional<QFont> font;
        std::optional<DS::Color> color;
        qreal opacity = 1;
        // Symbols: their side; none takes the font's size.
        std::optional<qreal> symbolSize;
        std::optional<QFont::Weight> symbolWeight;
        // The first to go where the row has too little room: a shortcut beside a button's name.
        bool optional = false;
    };

    static Part text(const QString& text) { return {Part::Kind::text, text}; }
    static Part symbol(const QString& name) { return {Part::Kind::symbol, name}; }
    static Part spinner() { return {Part::Kind::spinner, {}}; }

    LabelRow() = default;
    explicit LabelRow(std::vector<Part> parts, qreal spacing = 6)
        : parts_(std::move(parts)), spacing_(spacing) {}

    const std::vector<Part>& parts() const { return parts_; }
    bool isEmpty() const { return parts_.empty(); }
    bool hasSpinner() const;
    bool hasOptional() const;
    // The row without its optional parts.
    LabelRow essential() const;

    // The natural size with `font` for parts that bring none.
    QSizeF size(const QFont& font) const;
    // Draws the row centred in `rect` (`alignment` chooses left, centre or right).
    // `seconds` turns the spinner.
    void paint(QPainter& painter, const QRectF& rect, const QFont& font, const QColor& color,
               const QWidget* widget, Qt::Alignment alignment = Qt::AlignCenter,
               double seconds = 0) const;

private:
    QSizeF partSize(const Part& part, const QFont& font) const;

    std::vector<Part> parts_;
    qreal spacing_ = 6;
};
