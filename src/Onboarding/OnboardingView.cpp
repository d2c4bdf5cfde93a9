#include "Onboarding/OnboardingView.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <QWindow>

#include "AI/ProviderSetupServices.h"
#include "AI/ProviderStatusStore.h"
#include "Design/AppIconView.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/PrivacyNote.h"
#include "Design/StyledButton.h"
#include "Design/ThinScrollBar.h"
#include "Design/WrappingLabel.h"
#include "GlobalShortcuts/NamedShortcuts.h"
#include "Onboarding/FeatureRow.h"
#include "Onboarding/OnboardingCoordinator.h"
#include "Onboarding/ProviderCard.h"
#include "Platform/UrlOpener.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Blocks/SystemColors.h"
#include "SettingsWindow/Blocks/ToolWatch.h"
#include "SettingsWindow/Tabs/PermissionList.h"
#include "SettingsWindow/Tabs/ShortcutNames.h"

const QUrl OnboardingView::claudePlansUrl{QStringLiteral("https://claude.ai/upgrade")};
const QUrl OnboardingView::chatGPTPricingUrl{QStringLiteral("https://chatgpt.com/pricing")};

namespace {

// A step dot: filled with the accent on the current step.
class Dot final : public QWidget {
public:
    Dot() { setFixedSize(6, 6); }
    void setCurrent(bool current) {
        current_ = current;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(
            (current_ ? DS::Palette::accent : DS::Palette::strokeStrong).resolve(this));
        painter.drawEllipse(QRectF(rect()));
    }

private:
    bool current_ = false;
};

WrappingLabel* centredText(const QString& text, const QFont& font, const DS::Color& color) {
    return new WrappingLabel(text, font, color, Qt::AlignHCenter);
}

}  // namespace

OnboardingView::OnboardingView(OnboardingCoordinator& coordinator, QWidget* parent)
    : QWidget(parent), coordinator_(coordinator) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    pages_ = new QStackedLayout;
    pages_->addWidget(stepPage(welcome()));
    pages_->addWidget(stepPage(permissionsStep()));
    pages_->addWidget(stepPage(providerStep()));
    layout->addLayout(pages_, 1);
    layout->addWidget(footer());

    connect(&coordinator_.providerSetup(), &ProviderSetupServices::changed, this,
            &OnboardingView::showPrimaryTitle);
    connect(&coordinator_.settings(), &SettingsStore::settingsChanged, this,
            &OnboardingView::showPrimaryTitle);
    connect(&coordinator_.shortcuts(), &GlobalShortcuts::NamedShortcuts::shortcutByNameDidChange,
            this, &OnboardingView::showShortcut);
    showStep();
}

QWidget* OnboardingView::stepPage(QWidget* content) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(32, 36, 32, 0);
    layout->setSpacing(0);
    layout->addWidget(content);
    layout->addStretch(1);
    // As tall as its text wrapped at the page's width: its least size would count each text
    // wrapped at its narrowest.
    page->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    // On a screen too short for the whole step, the step scrolls and the footer with its
    // buttons stays in view.
    auto* scroll = new QScrollArea;
    // The step lies on the window's background.
    DS::useClearScrollView(*scroll, *page);
    return scroll;
}

QSize OnboardingView::sizeHint() const {
    return size;
}

QWidget* OnboardingView::welcome() {
    auto* step = new QWidget;
    auto* layout = new QVBoxLayout(step);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new AppIconView(72), 0, Qt::AlignHCenter);
    layout->addSpacing(22);
    titles_.append(centredText(tr("Immer da, wo du gerade bist"), DS::Font::onboardingTitle(),
                               DS::Palette::label));
    layout->addWidget(titles_.last());
    layout->addSpacing(8);
    layout->addWidget(centredText(tr("Ruf mich in jeder App auf. Ich sehe, was du siehst – frag "
                                     "mich etwas, denk mit mir nach oder lass mich die Antwort "
                                     "schreiben."),
                                  DS::Font::body(), DS::Palette::secondary));
    layout->addSpacing(26);
    shortcutRowHolder_ = new QWidget;
    auto* holder = new QVBoxLayout(shortcutRowHolder_);
    holder->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(shortcutRowHolder_);
    showShortcut();
    featureRows_.append(new FeatureRow(QString(), QStringLiteral("sparkle"),
                                       tr("Kurz sagen, was rein soll, oder leer lassen")));
    featureRows_.append(
        new FeatureRow(QString(), QStringLiteral("return"), tr("Einfügen, fertig")));
    for (FeatureRow* row : std::as_const(featureRows_)) {
        layout->addSpacing(14);
        layout->addWidget(row);
    }
    alignKeys();
    if (QWidget* notice = coordinator_.createShortcutConflictNotice()) {
        layout->addSpacing(18);
        layout->addWidget(notice);
    }
    return step;
}

void OnboardingView::showShortcut() {
    if (!shortcutRowHolder_)
        return;
    GlobalShortcuts::NamedShortcuts& shortcuts = coordinator_.shortcuts();
    const std::optional<GlobalShortcuts::Shortcut> shortcut =
        shortcuts.getShortcut(ShortcutNames::invokeAssistant());
    const QString key = shortcut ? shortcuts.describe(*shortcut) : tr("Alt+Leertaste");
    if (shortcutRow_ && shortcutRow_->key() == key)
        return;
    if (shortcutRow_)
        shortcutRow_->deleteLater();
    shortcutRow_ = new FeatureRow(key, QString(), tr("Aufrufen, wo du gerade schreibst"));
    shortcutRowHolder_->layout()->addWidget(shortcutRow_);
    alignKeys();
}

void OnboardingView::alignKeys() {
    if (!shortcutRow_)
        return;
    int width = shortcutRow_->keyWidth();
    for (const FeatureRow* row : std::as_const(featureRows_))
        width = std::max(width, row->keyWidth());
    shortcutRow_->setKeyWidth(width);
    for (FeatureRow* row : std::as_const(featureRows_))
        row->setKeyWidth(width);
}

QWidget* OnboardingView::permissionsStep() {
    auto* step = new QWidget;
    auto* layout = new QVBoxLayout(step);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    titles_.append(
        centredText(tr("Drei Berechtigungen"), DS::Font::onboardingTitle(), DS::Palette::label));
    layout->addWidget(titles_.last());
    layout->addSpacing(8);
    layout->addWidget(centredText(tr("Damit ich lesen kann, worauf du antwortest, und Text "
                                     "einfügen darf. Ich schaue nur hin, wenn du mich aufrufst."),
                                  DS::Font::body(), DS::Palette::secondary));
    layout->addSpacing(22);
    layout->addWidget(new PermissionList(coordinator_.permissions(), coordinator_.clock(), true));
    return step;
}

QWidget* OnboardingView::providerStep() {
    auto* step = new QWidget;
    auto* layout = new QVBoxLayout(step);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    titles_.append(
        centredText(tr("Verbinde deine KI"), DS::Font::onboardingTitle(), DS::Palette::label));
    layout->addWidget(titles_.last());
    layout->addSpacing(8);
    layout->addWidget(centredText(
        tr("Tavrin nutzt dein bestehendes Abo bei Claude oder ChatGPT – ein Konto genügt. "
           "Installieren und Anmelden erledige ich für dich."),
        DS::Font::body(), DS::Palette::secondary));
    layout->addSpacing(20);
    for (const ProviderID id : allProviderIDs()) {
        if (!cards_.isEmpty())
            layout->addSpacing(10);
        auto* card = new ProviderCard(coordinator_, id);
        cards_.append(card);
        layout->addWidget(card);
    }
    layout->addSpacing(14);
    links_ = new QLabel;
    links_->setFont(DS::Font::footnote());
    links_->setTextFormat(Qt::RichText);
    links_->setOpenExternalLinks(false);
    links_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    showLinks();
    connect(links_, &QLabel::linkActivated, this,
            [this](const QString& link) { coordinator_.urlOpener().open(QUrl(link)); });
    layout->addWidget(links_, 0, Qt::AlignHCenter);
    layout->addSpacing(18);
    layout->addWidget(new PrivacyNote(Qt::AlignHCenter), 0, Qt::AlignHCenter);
    new ToolWatch(step, coordinator_.providers(), coordinator_.clock());
    return step;
}

void OnboardingView::showLinks() {
    const auto hex = [this](const DS::Color& color) { return color.resolve(this).name(); };
    // Links in the system's link blue, which reads on the dark background too.
    links_->setText(QStringLiteral("<span style=\"color:%1\">%2</span> "
                                   "<a style=\"color:%3\" href=\"%4\">Claude</a> "
                                   "<span style=\"color:%1\">·</span> "
                                   "<a style=\"color:%3\" href=\"%5\">ChatGPT</a>")
                        .arg(hex(DS::Palette::tertiary), tr("Noch kein Abo?").toHtmlEscaped(),
                             hex(SystemColors::blue), claudePlansUrl.toString(),
                             chatGPTPricingUrl.toString()));
}

void OnboardingView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The colours in the link line are written into its text: they follow a change of theme.
    if (event->type() == QEvent::PaletteChange && links_)
        showLinks();
}

QWidget* OnboardingView::footer() {
    auto* bar = new QWidget;
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(24, 0, 24, 20);
    layout->setSpacing(8);
    auto* dots = new QHBoxLayout;
    dots->setSpacing(6);
    for (int index = 0; index < steps; ++index) {
        auto* dot = new Dot;
        dots_.append(dot);
        dots->addWidget(dot);
    }
    layout->addLayout(dots);
    layout->addStretch(1);
    back_ = new StyledButton(tr("Zurück"), ButtonStyle::secondary(28, 8));
    primary_ = new StyledButton(tr("Weiter"), ButtonStyle::primary(28, 8));
    layout->addWidget(back_);
    layout->addWidget(primary_);
    connect(back_, &StyledButton::clicked, this, &OnboardingView::back);
    connect(primary_, &StyledButton::clicked, this, &OnboardingView::primaryAction);
    return bar;
}

QString OnboardingView::title() const {
    return titles_.value(step_) ? titles_.value(step_)->text() : QString();
}

void OnboardingView::primaryAction() {
    if (step_ < steps - 1) {
        ++step_;
        showStep();
        return;
    }
    // Both final titles end the same way; no tool needs to be connected.
    coordinator_.finishOnboarding();
}

void OnboardingView::back() {
    if (step_ == 0)
        return;
    --step_;
    showStep();
}

void OnboardingView::showStep() {
    const bool changed = pages_->currentIndex() != step_;
    pages_->setCurrentIndex(step_);
    if (changed && isVisible())
        fadeIn(pages_->currentWidget());
    for (int index = 0; index < dots_.size(); ++index)
        static_cast<Dot*>(dots_[index])->setCurrent(index == step_);
    back_->setVisible(step_ >= 1);
    showPrimaryTitle();
    // Fresh states whenever the cards come on screen.
    if (step_ == steps - 1 && isVisible())
        coordinator_.providers().refresh(coordinator_.settings().settings());
}

void OnboardingView::fadeIn(QWidget* page) {
    auto* effect = new QGraphicsOpacityEffect(page);
    effect->setOpacity(0);
    page->setGraphicsEffect(effect);
    auto* fade = new QPropertyAnimation(effect, "opacity", page);
    fade->setDuration(fadeDuration);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->setEasingCurve(QEasingCurve::OutCubic);
    // Drawn through the effect only while it fades: the effect costs a redraw into a buffer.
    connect(fade, &QPropertyAnimation::finished, page,
            [page] { page->setGraphicsEffect(nullptr); });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void OnboardingView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (step_ == steps - 1)
        coordinator_.providers().refresh(coordinator_.settings().settings());
}

void OnboardingView::showPrimaryTitle() {
    if (step_ < steps - 1) {
        primary_->setLabelText(tr("Weiter"));
        return;
    }
    const bool ready =
        coordinator_.providerSetup().state(coordinator_.settings().settings().provider).isReady();
    primary_->setLabelText(ready ? tr("Los geht’s") : tr("Später einrichten"));
}

void OnboardingView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), DS::Palette::window.resolve(this));
}

void OnboardingView::mousePressEvent(QMouseEvent* event) {
    // The window moves when dragged by its background, and only when dragged: a move handed
    // to the window manager on a mere click (or a tap, where press and release come together)
    // leaves it in move mode, swallowing the next clicks.
    if (event->button() == Qt::LeftButton) {
        pressedAt_ = event->globalPosition().toPoint();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void OnboardingView::mouseMoveEvent(QMouseEvent* event) {
    if (pressedAt_ && (event->buttons() & Qt::LeftButton) &&
        (event->globalPosition().toPoint() - *pressedAt_).manhattanLength() >=
            QApplication::startDragDistance()) {
        pressedAt_.reset();
        if (QWindow* handle = window()->windowHandle())
            handle->startSystemMove();
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void OnboardingView::mouseReleaseEvent(QMouseEvent* event) {
    pressedAt_.reset();
    QWidget::mouseReleaseEvent(event);
}
