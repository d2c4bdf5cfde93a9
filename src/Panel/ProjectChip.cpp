#include "Panel/ProjectChip.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTextDocument>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/SymbolPainter.h"
#include "Panel/PanelTexts.h"

namespace {

constexpr int kHeight = 20;
constexpr int kPaddingX = 8;
constexpr int kSpacing = 4;
constexpr qreal kFolderSide = 9.5;
constexpr qreal kChevronSide = 7;

QFont chipFont() {
    return DS::Font::system(11, QFont::Medium);
}

// A menu item shows its text as written: "&" would otherwise mark a shortcut letter.
QString menuText(QString text) {
    return text.replace(u'&', QStringLiteral("&&"));
}

}  // namespace

ProjectChip::ProjectChip(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("projectChip"));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    showProject();
}

void ProjectChip::setProject(const std::optional<Project>& project) {
    // The panel passes the same project on every change of the session, a reply's every chunk
    // among them: only a new one is laid out and drawn again.
    if (project_ == project)
        return;
    project_ = project;
    showProject();
}

void ProjectChip::showProject() {
    // The tooltip shows the name as written, even one that looks like markup.
    setToolTip(Qt::convertFromPlainText(PanelTexts::projectToolTip(project_)));
    setAccessibleName(name());
    updateGeometry();
    update();
}

void ProjectChip::setProjects(const QList<Project>& projects) {
    projects_ = projects;
}

QString ProjectChip::name() const {
    return project_ ? project_->name : tr("Projekt");
}

QSize ProjectChip::sizeHint() const {
    const QFontMetricsF metrics(chipFont());
    const qreal width = kPaddingX + kFolderSide + kSpacing + metrics.horizontalAdvance(name()) +
                        kSpacing + kChevronSide + kPaddingX;
    return {int(std::ceil(width)), kHeight};
}

void ProjectChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const DS::Color& ink = project_ ? DS::Palette::accentText : DS::Palette::tertiary;
    const DS::Color& capsule = project_ ? DS::Palette::accentSoft : DS::Palette::fill;
    painter.setBrush(capsule.resolve(this));
    painter.setPen(Qt::NoPen);
    painter.drawPath(RoundedBox::capsule(rect()));

    const QColor color = ink.resolve(this);
    qreal x = kPaddingX;
    const qreal middle = height() / 2.0;
    SymbolPainter::paint(painter, QStringLiteral("folder"),
                         QRectF(x, middle - kFolderSide / 2, kFolderSide, kFolderSide), color,
                         QFont::DemiBold);
    x += kFolderSide + kSpacing;
    const QFontMetricsF metrics(chipFont());
    const qreal textWidth = width() - x - kSpacing - kChevronSide - kPaddingX;
    painter.setFont(chipFont());
    painter.setPen(color);
    painter.drawText(QRectF(x, 0, textWidth, height()), Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(name(), Qt::ElideRight, textWidth));
    x += textWidth + kSpacing;
    SymbolPainter::paint(painter, QStringLiteral("chevron.down"),
                         QRectF(x, middle - kChevronSide / 2, kChevronSide, kChevronSide), color,
                         QFont::Bold);
}

QMenu* ProjectChip::buildMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    // The chosen entry, a project or none, carries the same check mark before its name; a
    // checkable entry would draw an empty box beside every other project.
    const auto marked = [](const QString& text, bool chosen) {
        return chosen ? QStringLiteral("\u2713 ") + text : text;
    };
    for (const Project& project : projects_) {
        QAction* action =
            menu->addAction(menuText(marked(project.name, project_ && project_->id == project.id)));
        connect(action, &QAction::triggered, this, [this, project] { emit chosen(project); });
    }
    if (!projects_.isEmpty())
        menu->addSeparator();
    QAction* noProject = menu->addAction(marked(tr("Ohne Projekt"), !project_));
    connect(noProject, &QAction::triggered, this, [this] { emit chosen(std::nullopt); });
    menu->addSeparator();
    QAction* manage = menu->addAction(tr("Projekte verwalten …"));
    connect(manage, &QAction::triggered, this, [this] { emit manageRequested(); });
    return menu;
}

void ProjectChip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    QMenu* menu = buildMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(mapToGlobal(QPoint(0, height() + 2)));
}
