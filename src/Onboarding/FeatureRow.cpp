#include "Onboarding/FeatureRow.h"

#include <QHBoxLayout>
#include <QPainter>
#include <algorithm>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/SymbolPainter.h"
#include "Design/WrappingLabel.h"

// The box on the stronger fill, the keys or the symbol centred in it: 64 × 22, wider for a
// description that needs it ("Strg+Alt+Umschalt+K" is longer than its glyphs would be).
class FeatureRow::KeyBox final : public QWidget {
public:
    KeyBox(const QString& key, const QString& symbol) : key_(key), symbol_(symbol) {
        const int textWidth =
            key.isEmpty() ? 0 : QFontMetrics(DS::Font::keycap()).horizontalAdvance(key) + 16;
        setFixedSize(std::max(64, textWidth), 22);
        naturalWidth_ = width();
    }

    QString key() const { return key_; }
    int naturalWidth() const { return naturalWidth_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        RoundedBox::fill(painter, rect(), 5, DS::Palette::fillStrong.resolve(this));
        const QColor color = DS::Palette::secondary.resolve(this);
        if (!key_.isEmpty()) {
            painter.setFont(DS::Font::keycap());
            painter.setPen(color);
            painter.drawText(rect(), Qt::AlignCenter, key_);
        } else if (!symbol_.isEmpty()) {
            const qreal side = 10.5;
            SymbolPainter::paint(painter, symbol_,
                                 QRectF((width() - side) / 2, (height() - side) / 2, side, side),
                                 color, QFont::DemiBold);
        }
    }

private:
    QString key_;
    QString symbol_;
    int naturalWidth_ = 0;
};

FeatureRow::FeatureRow(const QString& key, const QString& symbol, const QString& text,
                       QWidget* parent)
    : QWidget(parent), box_(new KeyBox(key, symbol)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    layout->addWidget(box_, 0, Qt::AlignVCenter);
    layout->addWidget(new WrappingLabel(text, DS::Font::body(), DS::Palette::label), 1,
                      Qt::AlignVCenter);
}

QString FeatureRow::key() const {
    return box_->key();
}

int FeatureRow::keyWidth() const {
    return box_->naturalWidth();
}

void FeatureRow::setKeyWidth(int width) {
    box_->setFixedWidth(width);
}
