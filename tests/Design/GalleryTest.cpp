#include <gtest/gtest.h>

#include <QFile>

#include "Design/ElidedLabel.h"
#include "Design/RoundedBox.h"
#include "Design/Spinner.h"
#include "Design/SymbolPainter.h"
#include "Gallery.h"

namespace {

// A grid of every symbol at one size and weight.
class SymbolSheet : public QWidget {
public:
    SymbolSheet(qreal size, QFont::Weight weight) : size_(size), weight_(weight) {
        const int columns = 12;
        const int rows = (SymbolPainter::names().size() + columns - 1) / columns;
        setFixedSize(columns * cell(), rows * cell());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QStringList names = SymbolPainter::names();
        for (int i = 0; i < names.size(); ++i) {
            const QRectF box((i % 12) * cell() + (cell() - size_) / 2,
                             (i / 12) * cell() + (cell() - size_) / 2, size_, size_);
            SymbolPainter::paint(painter, names[i], box, DS::Palette::label.resolve(this), weight_);
        }
    }

private:
    int cell() const { return static_cast<int>(size_ * 1.6); }
    qreal size_;
    QFont::Weight weight_;
};

// A rounded box with a border, as buttons and cards draw them.
class BoxSample : public QWidget {
public:
    BoxSample(QSize size, qreal radius) : radius_(radius) { setFixedSize(size); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        RoundedBox::fill(painter, rect(), radius_, DS::Palette::card.resolve(this));
        RoundedBox::strokeInside(painter, rect(), radius_, DS::Palette::stroke.resolve(this), 0.5);
    }

private:
    qreal radius_;
};

QWidget* labelWith(const QString& text, const QFont& font, Qt::TextElideMode mode, int width) {
    auto* label = new ElidedLabel(text);
    label->setFont(font);
    label->setElideMode(mode);
    label->setFixedWidth(width);
    return label;
}

TEST(GalleryTest, RendersTheBasicsLightAndDark) {
    const QString sentence =
        QStringLiteral("Bildschirm und Text gehen nur an deine KI – nie an uns.");
    const QStringList written = Gallery::render(
        "basics",
        {
            {"symbols 13 regular", [] { return new SymbolSheet(13, QFont::Normal); }},
            {"symbols 20 semibold", [] { return new SymbolSheet(20, QFont::DemiBold); }},
            {"spinner", [] { return new Spinner; }},
            {"box 120×28 r8", [] { return new BoxSample(QSize(120, 28), 8); }},
            {"box 200×60 r12", [] { return new BoxSample(QSize(200, 60), 12); }},
            {"capsule 80×20", [] { return new BoxSample(QSize(80, 20), 10); }},
            {"tail 11", [&] { return labelWith(sentence, DS::Font::hint(), Qt::ElideRight, 200); }},
            {"head 12.5",
             [&] { return labelWith(sentence, DS::Font::button(), Qt::ElideLeft, 200); }},
            {"middle 13.5",
             [&] { return labelWith(sentence, DS::Font::errorTitle(), Qt::ElideMiddle, 200); }},
            {"footnote 11.5",
             [&] { return labelWith(sentence, DS::Font::footnote(), Qt::ElideRight, 360); }},
            {"keycap 10.5",
             [&] { return labelWith(sentence, DS::Font::keycap(), Qt::ElideRight, 360); }},
            {"title 22",
             [&] {
                 return labelWith("Willkommen bei Tavrin", DS::Font::onboardingTitle(),
                                  Qt::ElideRight, 360);
             }},
        },
        DS::Palette::window, 760);
    for (const QString& path : written)
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
}

}  // namespace
