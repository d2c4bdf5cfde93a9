#include "Onboarding/ProviderCard.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "SettingsWindow/Blocks/ProviderSetupControl.h"
#include "AI/ProviderSetupServices.h"
#include "Design/Fonts.h"
#include "Design/IconTile.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/StatusDot.h"
#include "Design/WrappingLabel.h"
#include "Onboarding/OnboardingCoordinator.h"
#include "Settings/SettingsStore.h"

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
      status_(new WrappingLabel(QString(), DS::Font::footnote(), DS::Palette::secondary)) {
    const Look provider = look(id);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(12);
    layout->addWidget(new IconTile(QString::fromLatin1(provider.symbol), provider.tile, 34));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(new WrappingLabel(QString::fromLatin1(provider.name),
                                       DS::Font::system(14, QFont::DemiBold), DS::Palette::label));
    auto* statusLine = new QHBoxLayout;
    statusLine->setSpacing(5);
    statusLine->addWidget(dot_, 0, Qt::AlignVCenter);
    statusLine->addWidget(status_, 1);
    texts->addLayout(statusLine);
    layout->addLayout(texts, 1);
    layout->addSpacing(8);
    layout->addWidget(new ProviderSetupControl(id, coordinator_.providerSetup(), true), 0,
                      Qt::AlignVCenter);
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
    // One line: an account name too long for the card does not push the controls away.
    status_->setMaximumHeight(QFontMetrics(DS::Font::footnote()).lineSpacing() + 1);
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
