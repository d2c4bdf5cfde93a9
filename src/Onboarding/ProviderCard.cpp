#include "Onboarding/ProviderCard.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "AI/ProviderSetupServices.h"
#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/IconTile.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/StatusDot.h"
#include "Design/TrailingLayout.h"
#include "Onboarding/OnboardingCoordinator.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Blocks/ProviderSetupControl.h"

namespace {

struct Look {
    const char* name;
    const char* symbol;
    // The same in light and dark: it is the provider's own colour.
    DS::Color tile;
};

Look look(ProviderID id) {
    switch (id) {
        case ProviderID::codexCLI:
            return {"ChatGPT", "circle.hexagongrid.fill", {{15, 163, 128, 1}, {15, 163, 128, 1}}};
        case ProviderID::claudeCLI:
            break;
    }
    return {"Claude", "asterisk", {{217, 120, 87, 1}, {217, 120, 87, 1}}};
}

}  // namespace

ProviderCard::ProviderCard(OnboardingCoordinator& coordinator, ProviderID id, QWidget* parent)
    : QWidget(parent),
      coordinator_(coordinator),
      id_(id),
      dot_(new StatusDot(DS::Palette::strokeStrong, 6)),
      status_(new ElidedLabel) {
    status_->setFont(DS::Font::footnote());
    status_->setColor(DS::Palette::secondary);
    const Look provider = look(id);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(12);
    layout->addWidget(new IconTile(QString::fromLatin1(provider.symbol), provider.tile, 34));
    auto* texts = new QWidget;
    auto* column = new QVBoxLayout(texts);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    auto* name = new ElidedLabel(QString::fromLatin1(provider.name));
    name->setFont(DS::Font::system(14, QFont::DemiBold));
    column->addWidget(name);
    auto* statusLine = new QHBoxLayout;
    statusLine->setSpacing(5);
    statusLine->addWidget(dot_, 0, Qt::AlignVCenter);
    statusLine->addWidget(status_, 1);
    column->addLayout(statusLine);
    // A failure message or the buttons beside it never cut the name or the state: the
    // controls go under them when both do not fit side by side.
    auto* content = new QWidget;
    new TrailingLayout(content, texts,
                       new ProviderSetupControl(id, coordinator_.providerSetup(), true), 8);
    layout->addWidget(content, 1);
    setCursor(Qt::PointingHandCursor);

    connect(&coordinator_.providerSetup(), &ProviderSetupServices::changed, this,
            &ProviderCard::showState);
    connect(&coordinator_.settings(), &SettingsStore::settingsChanged, this,
            &ProviderCard::showState);
    showState();
}

QString ProviderCard::statusText(ProviderID id, const ProviderStatusStore::State& state) {
    using Kind = ProviderStatusStore::State::Kind;
    switch (state.kind) {
        case Kind::ready:
            return state.detail ? *state.detail : tr("Verbunden");
        case Kind::unknown:
        case Kind::checking:
            return tr("Prüfe …");
        case Kind::notFound:
            return id == ProviderID::codexCLI ? tr("Für dein ChatGPT-Abo (Plus oder Pro)")
                                              : tr("Für dein Claude-Abo (Pro oder Max)");
        case Kind::notLoggedIn:
            break;
    }
    return tr("Installiert – noch nicht angemeldet");
}

QString ProviderCard::shownStatus() const {
    return status_->text();
}

void ProviderCard::showState() {
    const ProviderStatusStore::State state = coordinator_.providerSetup().state(id_);
    status_->setText(statusText(id_, state));
    dot_->setColor(state.isReady() ? DS::Palette::success : DS::Palette::strokeStrong);
    // Only a chosen tool that works is shown as chosen.
    highlighted_ = state.isReady() && coordinator_.settings().settings().provider == id_;
    update();
}

void ProviderCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = rect();
    RoundedBox::fill(painter, box, 12,
                     (highlighted_ ? DS::Palette::accentSoft : DS::Palette::card).resolve(this));
    if (highlighted_)
        RoundedBox::strokeInside(painter, box, 12, DS::Palette::accent.resolve(this), 1.5);
    else
        RoundedBox::strokeInside(painter, box, 12, DS::Palette::stroke.resolve(this), 0.5);
}

void ProviderCard::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void ProviderCard::mouseReleaseEvent(QMouseEvent* event) {
    const bool tapped = pressed_ && event->button() == Qt::LeftButton &&
                        rect().contains(event->position().toPoint());
    pressed_ = false;
    if (!tapped)
        return;
    // A tool that does not work yet cannot be chosen here; its controls set it up.
    if (!coordinator_.providerSetup().state(id_).isReady())
        return;
    coordinator_.settings().update([&](AssistantSettings& s) { s.provider = id_; });
}
