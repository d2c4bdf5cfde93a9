// The design system's components, indicators, brand and basics.
#include <cmath>
#include <initializer_list>

#include "ComponentSheet.h"
#include "Design/AppIconView.h"
#include "Design/BlockBackground.h"
#include "Design/BrandMark.h"
#include "Design/ElidedLabel.h"
#include "Design/FieldIconButton.h"
#include "Design/IconTile.h"
#include "Design/InitialsAvatar.h"
#include "Design/Keycap.h"
#include "Design/PrivacyNote.h"
#include "Design/ProviderChip.h"
#include "Design/PulsingDot.h"
#include "Design/RoundedBox.h"
#include "Design/Shimmer.h"
#include "Design/Spinner.h"
#include "Design/StatusDot.h"
#include "Design/StyledButton.h"
#include "Design/SymbolLabel.h"
#include "Design/SymbolPainter.h"
#include "Design/TypingDots.h"
#include "Design/Waveform.h"
#include "GalleryPages.h"

namespace {

// A grid of every symbol at one size and weight.
class SymbolSheet : public QWidget {
public:
    SymbolSheet(qreal size, QFont::Weight weight) : size_(size), weight_(weight) {
        const int columns = this->columns();
        const int rows = (SymbolPainter::names().size() + columns - 1) / columns;
        setFixedSize(columns * cell(), rows * cell());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QStringList names = SymbolPainter::names();
        for (int i = 0; i < names.size(); ++i) {
            const QRectF box((i % columns()) * cell() + (cell() - size_) / 2,
                             (i / columns()) * cell() + (cell() - size_) / 2, size_, size_);
            SymbolPainter::paint(painter, names[i], box, DS::Palette::label.resolve(this), weight_);
        }
    }

private:
    int cell() const { return static_cast<int>(size_ * 1.6); }
    int columns() const { return size_ > 24 ? 9 : 12; }
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

// Several widgets side by side.
QWidget* row(std::initializer_list<QWidget*> widgets, int spacing = 8) {
    auto* holder = new QWidget;
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    for (QWidget* widget : widgets)
        layout->addWidget(widget, 0, Qt::AlignVCenter);
    return holder;
}

StyledButton* pressed(StyledButton* button) {
    button->setDown(true);
    return button;
}

StyledButton* disabled(StyledButton* button) {
    button->setEnabled(false);
    return button;
}

FieldIconButton* active(FieldIconButton* button) {
    button->setActive(true);
    return button;
}

QWidget* block() {
    auto* background = new BlockBackground;
    auto* layout = new QHBoxLayout(background);
    layout->setContentsMargins(12, 10, 12, 10);
    auto* title = new ElidedLabel(QStringLiteral("Claude ist nicht angemeldet"));
    title->setFont(DS::Font::errorTitle());
    layout->addWidget(title);
    layout->addWidget(new StyledButton(QStringLiteral("Anmelden"), ButtonStyle::primary(26, 7)));
    background->setFixedWidth(360);
    return background;
}

}  // namespace

void GalleryPages::designComponents() {
    using Part = LabelRow::Part;
    Part shortcut = LabelRow::text(QStringLiteral("Strg+⏎"));
    shortcut.opacity = 0.7;
    Part tertiaryShortcut = LabelRow::text(QStringLiteral("Strg+R"));
    tertiaryShortcut.color = DS::Palette::tertiary;
    const DS::Color gray{{142, 142, 147, 1}, {152, 152, 157, 1}};
    const DS::Color red{{255, 59, 48, 1}, {255, 69, 58, 1}};
    ComponentSheet::render(
        "components",
        {
            {"primary 28/8",
             [] {
                 return row({new StyledButton("Antwort schreiben", ButtonStyle::primary(28, 8)),
                             pressed(new StyledButton("gedrückt", ButtonStyle::primary(28, 8))),
                             disabled(new StyledButton("aus", ButtonStyle::primary(28, 8)))});
             }},
            {"secondary 26/7",
             [] {
                 return row({new StyledButton("Neu anmelden", ButtonStyle::secondary(26, 7)),
                             pressed(new StyledButton("gedrückt", ButtonStyle::secondary(26, 7))),
                             disabled(new StyledButton("Prüfe …", ButtonStyle::secondary(26, 7)))});
             }},
            {"quiet",
             [] {
                 return row({new StyledButton("Abbrechen", ButtonStyle::quiet()),
                             pressed(new StyledButton("gedrückt", ButtonStyle::quiet()))});
             }},
            {"labels with parts",
             [=] {
                 return row(
                     {new StyledButton(LabelRow({LabelRow::symbol("sparkle"),
                                                 LabelRow::text("Antwort schreiben"), shortcut}),
                                       ButtonStyle::primary(28, 8)),
                      new StyledButton(LabelRow({LabelRow::symbol("arrow.clockwise"),
                                                 LabelRow::text("Neu"), tertiaryShortcut}),
                                       ButtonStyle::secondary(28, 8)),
                      new StyledButton(
                          LabelRow({LabelRow::text("Einfügen"), LabelRow::symbol("return")}),
                          ButtonStyle::primary(28, 8))});
             }},
            {"spinner in button",
             [] {
                 return row(
                     {new StyledButton(LabelRow({LabelRow::spinner(), LabelRow::text("Ausführen")}),
                                       ButtonStyle::primary(26, 7)),
                      new StyledButton(
                          LabelRow({LabelRow::symbol("doc.on.doc"), LabelRow::text("Kopieren")}, 5),
                          ButtonStyle::quiet())});
             }},
            {"keycaps",
             [] {
                 return row({new Keycap("esc"), new Keycap("Strg+⏎"), new Keycap("⏎"),
                             new Keycap(""), new Keycap("Alt+Leertaste")},
                            4);
             }},
            {"provider chips",
             [] {
                 return row({new ProviderChip("Claude", true, false),
                             new ProviderChip("ChatGPT", false, false),
                             new ProviderChip("Claude", true, true),
                             new ProviderChip("ChatGPT", false, true)});
             }},
            {"status dots",
             [] {
                 return row({new StatusDot(DS::Palette::success, 6),
                             new StatusDot(DS::Palette::warning, 8),
                             new StatusDot(DS::Palette::accent, 10),
                             new StatusDot(DS::Palette::strokeStrong, 7)});
             }},
            {"avatars 20/28/40",
             [] {
                 return row({new InitialsAvatar("MK", 20), new InitialsAvatar("Ä", 28),
                             new InitialsAvatar("JS", 40), new InitialsAvatar("", 28)});
             }},
            {"icon tiles 20/28",
             [=] {
                 return row({new IconTile("gearshape.fill", gray, 20),
                             new IconTile("sparkle", DS::Palette::accent, 20),
                             new IconTile("mic.fill", red, 28),
                             new IconTile("lock.fill", DS::Color::fixed({0, 122, 255, 1}), 28),
                             new IconTile("asterisk", DS::Color::fixed({217, 120, 87, 1}), 40)});
             }},
            {"field icon buttons",
             [] {
                 return row({new FieldIconButton("mic", 28, "Diktieren"),
                             active(new FieldIconButton("mic.fill", 28, "Diktieren")),
                             active(new FieldIconButton("stop.fill", 32, "Stopp")),
                             new FieldIconButton("stop.fill", 32, "Stopp")});
             }},
            {"symbol labels",
             [] {
                 return row({new SymbolLabel("checkmark.circle.fill", "Verbunden",
                                             DS::Font::system(12, QFont::Medium),
                                             DS::Palette::successText),
                             new SymbolLabel("exclamationmark.triangle.fill", "Warnung",
                                             DS::Font::footnote(), DS::Palette::warningText)},
                            16);
             }},
            {"block background", [] { return block(); }},
        },
        DS::Palette::window, 760);
}

namespace {

Waveform* wave(std::vector<float> levels) {
    auto* waveform = new Waveform;
    waveform->setLevels(levels);
    return waveform;
}

QWidget* shimmering() {
    QWidget* content = block();
    Shimmer::apply(content);
    return content;
}

QWidget* framed(QWidget* inside, int width, bool centred = true) {
    auto* holder = new QWidget;
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(inside, 0, centred ? Qt::AlignHCenter : Qt::Alignment());
    holder->setFixedWidth(width);
    return holder;
}

}  // namespace

void GalleryPages::designIndicators() {
    ComponentSheet::render(
        "indicators",
        {
            {"typing dots", [] { return new TypingDots; }},
            {"pulsing dot", [] { return new PulsingDot; }},
            {"waveform 10",
             [] {
                 return wave({0, 0.1f, 0.3f, 0.6f, 1, 0.8f, 0.5f, 0.2f, 0.05f, 0});
             }},
            {"waveform bad levels",
             [] {
                 return wave({std::nanf(""), -1, 3, 0.5f, INFINITY});
             }},
            {"waveform empty",
             [] {
                 return row({new QLabel("|"), wave({}), new QLabel("|")}, 0);
             }},
            {"shimmer", [] { return shimmering(); }},
            {"privacy centred", [] { return framed(new PrivacyNote(Qt::AlignHCenter), 560); }},
            {"privacy narrow", [] { return framed(new PrivacyNote(Qt::AlignHCenter), 240); }},
            {"privacy leading", [] { return framed(new PrivacyNote(Qt::AlignLeft), 560, false); }},
        },
        DS::Palette::window, 760, [](Platform::FakeClock& clock) {
            // Half way through the sweep.
            clock.advance(std::chrono::milliseconds(1000));
        });
}

// An image shown at its own size.
namespace {

class Picture : public QWidget {
public:
    explicit Picture(QImage image) : image_(std::move(image)) { setFixedSize(image_.size()); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, image_); }

private:
    QImage image_;
};

// One icon at each of `sides`, side by side.
QWidget* iconRow(std::initializer_list<int> sides, QImage (*icon)(int side)) {
    auto* holder = new QWidget;
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    for (const int side : sides)
        layout->addWidget(new Picture(icon(side)), 0, Qt::AlignVCenter);
    return holder;
}

QWidget* trayIcons() {
    return iconRow({16, 18, 22, 24, 32, 48},
                   [](int side) { return BrandMark::trayIcon().pixmap(side, side).toImage(); });
}

QWidget* appIcons() {
    return iconRow({16, 24, 32, 48, 64, 128}, BrandMark::appIconImage);
}

}  // namespace

void GalleryPages::designBrand() {
    ComponentSheet::render("brand",
                           {
                               {"tray 16…48", [] { return trayIcons(); }},
                               {"app icon 16…128", [] { return appIcons(); }},
                               {"app icon view 64", [] { return new AppIconView(64); }},
                           },
                           DS::Palette::window, 760);
}

void GalleryPages::designBasics() {
    const QString sentence =
        QStringLiteral("Bildschirm und Text gehen nur an deine KI – nie an uns.");
    ComponentSheet::render(
        "basics",
        {
            {"symbols 13 regular", [] { return new SymbolSheet(13, QFont::Normal); }},
            {"symbols 20 semibold", [] { return new SymbolSheet(20, QFont::DemiBold); }},
            {"symbols 36 medium", [] { return new SymbolSheet(36, QFont::Medium); }},
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
}
