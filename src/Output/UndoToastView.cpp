#include "Output/UndoToastView.h"

#include <QHBoxLayout>
#include <QPainter>

#include "Design/ButtonStyle.h"
#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/StyledButton.h"
#include "Design/SymbolLabel.h"

namespace {

constexpr qreal kFontSize = 12.5;
constexpr int kSpacing = 10;
constexpr int kLeadingPadding = 12;
constexpr int kTrailingPadding = 10;

}  // namespace

UndoToastView::UndoToastView(std::function<void()> undo, std::function<void()> close,
                             QWidget* parent)
    : UndoToastView(QStringLiteral("checkmark.circle.fill"), DS::Palette::success, tr("Eingefügt"),
                    std::move(undo), std::move(close), parent) {}

UndoToastView::UndoToastView(const QString& notice, std::function<void()> close, QWidget* parent,
                             std::function<void()> undo)
    : UndoToastView(QStringLiteral("exclamationmark.triangle.fill"), DS::Palette::warning, notice,
                    std::move(undo), std::move(close), parent) {}

UndoToastView::UndoToastView(const QString& symbol, const DS::Color& symbolColor,
                             const QString& label, std::function<void()> undo,
                             std::function<void()> close, QWidget* parent)
    : QWidget(parent), message_(label) {
    setAttribute(Qt::WA_TranslucentBackground);
    const QFont font = DS::Font::system(kFontSize);
    setFont(font);

    auto* check = new SymbolLabel(symbol, QString(), font, symbolColor, this);
    auto* text = new ElidedLabel(label, this);
    text->setFont(font);
    text->setColor(DS::Palette::secondary);
    text->setMinimumWidth(text->sizeHint().width());

    if (undo) {
        // A label shows its icon before its title.
        undoButton_ =
            new StyledButton(LabelRow({LabelRow::symbol(QStringLiteral("arrow.uturn.backward")),
                                       LabelRow::text(tr("Rückgängig"))}),
                             ButtonStyle::secondary(24, 7), this);
        undoButton_->setFocusPolicy(Qt::NoFocus);
        connect(undoButton_, &QAbstractButton::clicked, this, [undo = std::move(undo)] { undo(); });
    }

    LabelRow::Part mark = LabelRow::symbol(QStringLiteral("xmark"));
    mark.symbolSize = 9;
    mark.symbolWeight = QFont::Bold;
    mark.color = DS::Palette::tertiary;
    closeButton_ = new StyledButton(LabelRow({mark}), ButtonStyle::plain(), this);
    closeButton_->setFocusPolicy(Qt::NoFocus);
    closeButton_->setAccessibleName(tr("Schließen"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kMargin + kLeadingPadding, kMargin, kMargin + kTrailingPadding,
                            kMargin);
    row->setSpacing(kSpacing);
    row->addWidget(check, 0, Qt::AlignVCenter);
    row->addWidget(text, 0, Qt::AlignVCenter);
    if (undoButton_)
        row->addWidget(undoButton_, 0, Qt::AlignVCenter);
    row->addWidget(closeButton_, 0, Qt::AlignVCenter);

    connect(closeButton_, &QAbstractButton::clicked, this, [close = std::move(close)] {
        if (close)
            close();
    });
    setFixedSize(QSize(row->sizeHint().width(), kCapsuleHeight + 2 * kMargin));
}

void UndoToastView::setOpaque(bool opaque) {
    opaque_ = opaque;
    update();
}

QRectF UndoToastView::capsule() const {
    return QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
}

void UndoToastView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = capsule();
    QColor tint = DS::Palette::panelTint.resolve(this);
    if (opaque_) {
        // Without a compositor the window is cut to the capsule by a mask without soft edges:
        // fill all of it, or the edge pixels the mask keeps show black.
        tint.setAlphaF(1);
        painter.fillRect(rect(), tint);
    } else {
        painter.fillPath(RoundedBox::capsule(shape), tint);
    }
    RoundedBox::strokeInside(painter, shape, shape.height() / 2, DS::Palette::stroke.resolve(this),
                             0.5);
}
