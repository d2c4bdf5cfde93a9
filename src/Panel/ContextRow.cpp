#include "Panel/ContextRow.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>

#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/Spinner.h"
#include "Design/SymbolLabel.h"
#include "Design/SymbolPainter.h"
#include "Panel/AssistantSession.h"
#include "Panel/PanelTexts.h"
#include "Panel/ProjectChip.h"
#include "Panel/QuoteBlock.h"
#include "Platform/ApplicationIcons.h"

namespace {

using Kind = AssistantSession::Phase::Kind;

// The application's icon in a rounded square, or the globe when there is none.
class AppIcon final : public QWidget {
public:
    AppIcon(const QImage& image, QWidget* parent) : QWidget(parent), image_(image) {
        setFixedSize(ContextRow::kIconSide, ContextRow::kIconSide);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        if (image_.isNull()) {
            SymbolPainter::paint(painter, QStringLiteral("globe"), rect(),
                                 DS::Palette::secondary.resolve(this));
            return;
        }
        painter.setClipPath(RoundedBox::path(rect(), 5));
        painter.drawImage(QRectF(rect()), image_);
    }

private:
    QImage image_;
};

// The round close button: a bold cross on the quiet fill.
class CloseButton final : public QAbstractButton {
public:
    explicit CloseButton(QWidget* parent) : QAbstractButton(parent) {
        setFixedSize(18, 18);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(DS::Palette::fill.resolve(this));
        painter.drawEllipse(rect());
        const qreal side = 9;
        SymbolPainter::paint(painter, QStringLiteral("xmark"),
                             QRectF((width() - side) / 2, (height() - side) / 2, side, side),
                             DS::Palette::secondary.resolve(this), QFont::Bold);
    }
    bool hitButton(const QPoint& position) const override {
        const QPointF offset = QPointF(position) - QRectF(rect()).center();
        return offset.x() * offset.x() + offset.y() * offset.y() <= 81;
    }
};

}  // namespace

ContextRow::ContextRow(AssistantSession& session, Hooks hooks, Platform::ApplicationIcons* icons,
                       QWidget* parent)
    : QWidget(parent), session_(&session), hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("contextRowContent"));
    setFixedHeight(kHeight);
    if (icons && session.targetApp())
        icon_ = icons->icon(*session.targetApp(), int(std::ceil(kIconSide * devicePixelRatioF())));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(6);

    // Presses on the information reach the drag handle behind the row.
    auto* info = new QWidget(this);
    info->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* infoLayout = new QHBoxLayout(info);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    infoLayout->setSpacing(6);
    iconView_ = new AppIcon(icon_, info);
    infoLayout->addWidget(iconView_);
    title_ = new ElidedLabel({}, info);
    title_->setFont(DS::Font::context());
    title_->setColor(DS::Palette::label);
    infoLayout->addWidget(title_, 0);
    auto* chevron = new SymbolLabel(QStringLiteral("chevron.right"), {}, DS::Font::system(9),
                                    DS::Palette::tertiary, info);
    chevron->setSymbolStyle(9, QFont::DemiBold);
    infoLayout->addWidget(chevron);
    detail_ = new ElidedLabel({}, info);
    detail_->setFont(DS::Font::contextDetail());
    detail_->setColor(DS::Palette::secondary);
    detail_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    infoLayout->addWidget(detail_, 1);
    infoLayout->addSpacing(4);
    layout->addWidget(info, 1);

    spinner_ = new Spinner(this, 12);
    layout->addWidget(spinner_);

    chip_ = new ProjectChip(this);
    layout->addWidget(chip_);
    connect(chip_, &ProjectChip::chosen, this, [this](const std::optional<Project>& project) {
        if (hooks_.chooseProject)
            hooks_.chooseProject(project);
    });
    connect(chip_, &ProjectChip::manageRequested, this, [this] {
        if (hooks_.manageProjects)
            hooks_.manageProjects();
    });

    close_ = new CloseButton(this);
    close_->setToolTip(tr("Schließen (esc)"));
    close_->setAccessibleName(tr("Schließen"));
    layout->addWidget(close_);
    connect(close_, &QAbstractButton::clicked, this, [this] {
        if (hooks_.dismiss)
            hooks_.dismiss();
    });

    for (auto signal :
         {&AssistantSession::contextChanged, &AssistantSession::isCapturingChanged,
          &AssistantSession::isReadingQuoteChanged, &AssistantSession::phaseChanged,
          &AssistantSession::quoteChanged, &AssistantSession::quotePlaceholderHiddenChanged,
          &AssistantSession::projectChanged, &AssistantSession::screenHintDismissedChanged})
        connect(&session, signal, this, &ContextRow::refresh);
    refresh();
}

QString ContextRow::title() const {
    return title_->text();
}

QString ContextRow::detail() const {
    return detail_->text();
}

bool ContextRow::isSpinning() const {
    return !spinner_->isHidden();
}

void ContextRow::refresh() {
    if (!session_)
        return;
    const AssistantSession& session = *session_;
    const bool ready = session.phase().kind() == Kind::ready;
    title_->setText(PanelTexts::contextTitle(session.context(), session.targetApp()));
    PanelTexts::DetailInputs inputs;
    inputs.showsScreenHint = hooks_.showsScreenHint && hooks_.showsScreenHint();
    inputs.ready = ready;
    inputs.showsQuotePlaceholder = QuoteBlock::showsPlaceholder(session);
    inputs.quoteIsSelection = session.quote() && session.quote()->isSelection;
    inputs.context = &session.context();
    detail_->setText(PanelTexts::contextDetail(inputs));
    spinner_->setVisible((session.isCapturing() || session.isReadingQuote()) && ready);
    chip_->setProject(session.project());
    chip_->setProjects(hooks_.projects ? hooks_.projects() : QList<Project>());
}
