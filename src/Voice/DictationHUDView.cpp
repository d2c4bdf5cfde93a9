#include "Voice/DictationHUDView.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "Design/AnimationDriver.h"
#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/Spinner.h"
#include "Design/SymbolPainter.h"
#include "Design/Waveform.h"
#include "Voice/DictationHUD.h"
#include "Voice/QuickDictationModel.h"

namespace {

using Kind = QuickDictationModel::Status::Kind;

constexpr int kPadding = 16;
constexpr int kSpacing = 10;
constexpr qreal kFontSize = 13;
// A long status text shrinks this far before its end is cut off.
constexpr qreal kMinimumScale = 0.8;
// The response of the spring that brings in a new status; critically damped, it settles
// without overshoot.
constexpr double kSpringResponse = 0.2;

// One symbol of the interface at a font size, in a colour of the palette.
class SymbolView : public QWidget {
public:
    SymbolView(QString name, qreal size, DS::Color color, QFont::Weight weight = QFont::Normal,
               QWidget* parent = nullptr)
        : QWidget(parent), name_(std::move(name)), size_(size), color_(color), weight_(weight) {
        const int side = int(std::ceil(size));
        setFixedSize(side, side);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        SymbolPainter::paint(painter, name_, QRectF(rect()), color_.resolve(this), weight_);
    }

private:
    QString name_;
    qreal size_;
    DS::Color color_;
    QFont::Weight weight_;
};

int leadingWidth(Kind kind) {
    switch (kind) {
        case Kind::transforming:
            return 44;
        case Kind::listening:
            return 70;
        default:
            return 24;
    }
}

}  // namespace

DictationHUDView::DictationHUDView(QuickDictationModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      driver_(new AnimationDriver(this, AnimationDriver::Motion::decorative)) {
    driver_->setWanted(false);
    connect(driver_, &AnimationDriver::ticked, this, &DictationHUDView::stepTransition);
    setFixedSize(DictationHUD::kSize.toSize());
    setAttribute(Qt::WA_TranslucentBackground);
    const int capsuleTop = int((height() - DictationHUD::kCapsuleHeight) / 2);
    row_ = new QHBoxLayout(this);
    row_->setContentsMargins(kPadding, capsuleTop, kPadding, capsuleTop);
    row_->setSpacing(kSpacing);
    leading_ = new QWidget(this);
    label_ = new ElidedLabel(QString(), this);
    label_->setFont(DS::Font::system(kFontSize));
    row_->addWidget(leading_, 0, Qt::AlignVCenter);
    // The label takes the row's full height and centres its line itself, so descenders of a
    // shrunk or regrown font are never cut.
    row_->addWidget(label_, 1);

    connect(&model_, &QuickDictationModel::statusChanged, this, [this] {
        rebuildLeading();
        updateText();
        beginTransition();
    });
    connect(&model_, &QuickDictationModel::verbatimChanged, this, [this] {
        rebuildLeading();
        updateText();
    });
    connect(&model_, &QuickDictationModel::confirmedChanged, this, &DictationHUDView::updateText);
    connect(&model_, &QuickDictationModel::tentativeChanged, this, &DictationHUDView::updateText);
    connect(&model_, &QuickDictationModel::levelsChanged, this, &DictationHUDView::updateLevels);
    rebuildLeading();
    updateText();
}

QString DictationHUDView::text() const {
    const auto& status = model_.status();
    switch (status.kind) {
        case Kind::transforming:
        case Kind::failed:
            return status.text;
        case Kind::listening: {
            const QString live = model_.confirmed() + model_.tentative();
            if (!live.isEmpty())
                return live;
            return model_.verbatim() ? tr("Nur diktieren … loslassen fügt wörtlich ein")
                                     : tr("Sprich jetzt … loslassen fügt ein");
        }
        case Kind::inserted:
            return tr("Eingefügt");
        case Kind::toPanel:
            return tr("Kein Textfeld – ich antworte im Panel");
        case Kind::toPanelDraft:
            return tr("Ein Auftrag – ich schreibe den Entwurf im Panel");
        case Kind::remembered:
            return tr("Gemerkt – findest du unter Erinnerungen");
        case Kind::empty:
            return tr("Nichts verstanden");
    }
    return {};
}

void DictationHUDView::rebuildLeading() {
    const Kind kind = model_.status().kind;
    delete leading_;
    leading_ = new QWidget(this);
    leading_->setFixedWidth(leadingWidth(kind));
    auto* box = new QHBoxLayout(leading_);
    box->setContentsMargins(0, 0, 0, 0);
    waveform_ = nullptr;
    shownBars_ = 0;
    switch (kind) {
        case Kind::transforming:
            box->setSpacing(6);
            box->addWidget(new Spinner(leading_));
            box->addWidget(new SymbolView("sparkle", 13, DS::Palette::accent));
            break;
        case Kind::failed:
        case Kind::empty:
            box->addWidget(new SymbolView("mic.slash", 16, DS::Palette::warning));
            break;
        case Kind::listening:
            box->setSpacing(5);
            if (model_.verbatim())
                box->addWidget(
                    new SymbolView("mic.fill", 11, DS::Palette::accent, QFont::DemiBold));
            shownBars_ = model_.verbatim() ? 7 : 10;
            waveform_ = new Waveform(leading_);
            box->addWidget(waveform_);
            break;
        case Kind::inserted:
            box->addWidget(new SymbolView("checkmark.circle.fill", 18, DS::Palette::success));
            break;
        case Kind::toPanel:
        case Kind::toPanelDraft:
            box->addWidget(new SymbolView("sparkle", 16, DS::Palette::accent));
            break;
        case Kind::remembered:
            box->addWidget(new SymbolView("brain.head.profile", 15, DS::Palette::accent));
            break;
    }
    if (kind == Kind::listening && model_.verbatim())
        box->setAlignment(Qt::AlignCenter);
    else
        box->addStretch(1);
    row_->insertWidget(0, leading_, 0, Qt::AlignVCenter);
    updateLevels();
}

void DictationHUDView::updateLevels() {
    auto* waveform = qobject_cast<Waveform*>(waveform_.data());
    if (!waveform)
        return;
    const QVector<float>& levels = model_.levels();
    const qsizetype first = std::max<qsizetype>(0, levels.size() - shownBars_);
    waveform->setLevels(std::vector<float>(levels.begin() + first, levels.end()));
}

void DictationHUDView::updateText() {
    const auto& status = model_.status();
    const bool listening = status.kind == Kind::listening;
    const QString line = text();
    label_->setText(line);
    // While listening the newest words matter: cut at the head, never shrink.
    label_->setElideMode(listening ? Qt::ElideLeft : Qt::ElideRight);
    DS::Color color = DS::Palette::secondary;
    if (status.kind == Kind::failed)
        color = DS::Palette::warningText;
    else if (listening)
        color = (model_.confirmed() + model_.tentative()).isEmpty() ? DS::Palette::tertiary
                                                                    : DS::Palette::label;
    label_->setColor(color);

    QFont font = DS::Font::system(kFontSize);
    if (!listening) {
        // The view's size is fixed, so the room for the text is known before any layout.
        const qreal room =
            DictationHUD::kSize.width() - 2 * kPadding - kSpacing - leadingWidth(status.kind);
        const qreal needed = QFontMetricsF(font).horizontalAdvance(line);
        if (needed > room)
            font = DS::Font::system(kFontSize * std::max(kMinimumScale, room / needed));
    }
    label_->setFont(font);
}

void DictationHUDView::beginTransition() {
    if (driver_->isStill() || !isVisible())
        return;
    transitionStart_ = driver_->seconds();
    for (QWidget* part : {leading_, static_cast<QWidget*>(label_)}) {
        auto* fade = new QGraphicsOpacityEffect(part);
        fade->setOpacity(0);
        part->setGraphicsEffect(fade);
    }
    driver_->setWanted(true);
}

void DictationHUDView::stepTransition() {
    const double t = std::max(0.0, driver_->seconds() - transitionStart_);
    // A critically damped spring with the period kSpringResponse: 1 − (1 + ωt)·e^(−ωt).
    const double omega = 2 * M_PI / kSpringResponse;
    const double shown = 1 - (1 + omega * t) * std::exp(-omega * t);
    const bool settled = shown > 0.995;
    for (QWidget* part : {leading_, static_cast<QWidget*>(label_)}) {
        if (settled)
            part->setGraphicsEffect(nullptr);
        else if (auto* fade = qobject_cast<QGraphicsOpacityEffect*>(part->graphicsEffect()))
            fade->setOpacity(shown);
    }
    if (settled)
        driver_->setWanted(false);
}

void DictationHUDView::setOpaque(bool opaque) {
    if (opaque == opaque_)
        return;
    opaque_ = opaque;
    update();
}

void DictationHUDView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule((width() - DictationHUD::kSize.width()) / 2,
                         (height() - DictationHUD::kCapsuleHeight) / 2, DictationHUD::kSize.width(),
                         DictationHUD::kCapsuleHeight);
    QColor tint = DS::Palette::panelTint.resolve(this);
    if (opaque_) {
        // Without a compositor the window is cut to the capsule by a mask without soft edges:
        // fill all of it, or the edge pixels the mask keeps show black.
        tint.setAlphaF(1);
        painter.fillRect(rect(), tint);
    } else {
        painter.fillPath(RoundedBox::capsule(capsule), tint);
    }
    RoundedBox::strokeInside(painter, capsule, capsule.height() / 2,
                             DS::Palette::stroke.resolve(this), 0.5);
}
