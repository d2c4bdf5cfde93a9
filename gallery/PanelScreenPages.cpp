// The whole panel on small and scaled screens, the screen drawn around it, light and dark, in
// panel-screens/ of the gallery: whatever the replies, the panel stays on the screen with its
// footer, and the newest reply stands whole.
#include <QAbstractButton>
#include <QCoreApplication>
#include <QPainter>

#include "Design/Theme.h"
#include "GalleryOutput.h"
#include "GalleryPages.h"
#include "Panel/PanelController.h"
#include "Panel/PanelLooks.h"
#include "Panel/PanelPlacement.h"
#include "Panel/PanelView.h"
#include "Platform/fake/FakeAppearance.h"
#include "Platform/fake/FakeFloatingWindows.h"

using namespace std::chrono_literals;

namespace {

struct Desk {
    const char* name;
    // In the screen's own pixels, and Qt's scale on it.
    QSize pixels;
    qreal scale;
};

// Qt scales a screen of 120 dpi by 1.25, one of 144 dpi by 1.5.
const Desk kDesks[] = {
    {"1366x768", {1366, 768}, 1.0},
    {"1366x768-150", {1366, 768}, 1.5},
    {"1024x600-120", {1024, 600}, 1.25},
    {"1920x1080-150", {1920, 1080}, 1.5},
};

struct Shot {
    const char* look;
    // The issue card's "Verwerfen" clicked once the panel settled.
    bool discarded = false;
};

const Shot kShots[] = {
    {"draft-then-issue"}, {"draft-issue-document"},          {"draft-issue-document", true},
    {"issue-then-draft"}, {"action-card-long-conversation"}, {"streaming-long"},
    {"conversation"}};

}  // namespace

void GalleryPages::panelSmallScreens() {
    const QString folder = GalleryOutput::folder(QStringLiteral("panel-screens"));
    for (const Desk& desk : kDesks) {
        // The screen as Qt lays it out: its pixels shrunk by the scale.
        const QRectF screen(QPointF(0, 0), QSizeF(desk.pixels) / desk.scale);
        PanelPlacement::Screens screens;
        screens.all = {{screen, screen}};
        screens.primary = 0;
        for (const bool dark : {false, true}) {
            Platform::FakeAppearance appearance;
            appearance.setDark(dark);
            Platform::FakeClock clock;
            Theme theme(appearance, clock);
            Platform::FakeFloatingWindows windows;
            windows.compositing = false;
            PanelController controller(
                {clock, windows, [] { return false; }, [screens] { return screens; }});
            RecordingPanelActions actions(clock);
            for (const Shot& each : kShots) {
                const char* name = each.look;
                const auto look = std::find_if(
                    PanelLooks::kLooks.begin(), PanelLooks::kLooks.end(),
                    [name](const PanelLooks::Look& each) { return qstrcmp(each.name, name) == 0; });
                // A field low on the screen: the panel opens above it and grows upwards.
                const QRectF field(80, screen.height() - 90, 400, 30);
                const auto session =
                    PanelLooks::openSettled(*look, controller, actions, clock, field);
                if (each.discarded) {
                    if (auto* discard = controller.view()->findChild<QAbstractButton*>(
                            QStringLiteral("discardAction")))
                        discard->click();
                    for (int frame = 0; frame < 60; ++frame) {
                        QCoreApplication::processEvents();
                        clock.advance(16ms);
                    }
                }
                QCoreApplication::processEvents();
                const QWidget& panel = controller.panel();
                QImage shot((screen.size() * desk.scale).toSize(),
                            QImage::Format_ARGB32_Premultiplied);
                shot.setDevicePixelRatio(desk.scale);
                shot.fill(dark ? QColor(24, 40, 64) : QColor(170, 190, 215));
                QPainter painter(&shot);
                painter.setPen(dark ? QColor(90, 110, 140) : QColor(90, 110, 140));
                painter.drawRect(field);
                painter.drawText(field.adjusted(6, 0, 0, 0), Qt::AlignVCenter,
                                 QStringLiteral("Das Feld, in dem geschrieben wird"));
                // Drawn at the screen's scale, as the user sees it there.
                painter.translate(panel.pos());
                if (!panel.mask().isEmpty())
                    painter.setClipRegion(panel.mask());
                const_cast<QWidget&>(panel).render(&painter, QPoint(), QRegion(),
                                                   QWidget::DrawChildren);
                painter.end();
                GalleryOutput::save(
                    shot, QStringLiteral("%1/%2-%3%4-%5.png")
                              .arg(folder, QLatin1String(desk.name), QLatin1String(name),
                                   each.discarded ? QStringLiteral("-verworfen") : QString(),
                                   GalleryOutput::appearance(dark)));
                controller.hide();
                clock.advance(1s);
                actions.setSession(nullptr);
            }
        }
    }
}
