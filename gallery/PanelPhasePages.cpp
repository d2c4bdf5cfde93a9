// The whole panel in each phase, light and dark, with and without a compositor, over a desk
// that shows through it, in panel-phases/ of the gallery.
#include <QCoreApplication>
#include <QPainter>

#include "Design/Theme.h"
#include "GalleryOutput.h"
#include "GalleryPages.h"
#include "Panel/PanelController.h"
#include "Panel/PanelLooks.h"
#include "Panel/PanelView.h"
#include "Platform/fake/FakeAppearance.h"
#include "Platform/fake/FakeFloatingWindows.h"

using namespace std::chrono_literals;

void GalleryPages::panelPhases() {
    const QString folder = GalleryOutput::folder(QStringLiteral("panel-phases"));
    for (const bool dark : {false, true}) {
        Platform::FakeAppearance appearance;
        appearance.setDark(dark);
        Platform::FakeClock clock;
        Theme theme(appearance, clock);
        for (const bool composited : {false, true}) {
            Platform::FakeFloatingWindows windows;
            windows.compositing = composited;
            PanelController controller({clock, windows, [] { return false; }});
            RecordingPanelActions actions(clock);
            for (const PanelLooks::Look& look : PanelLooks::kLooks) {
                const auto session = PanelLooks::openSettled(look, controller, actions, clock);
                QCoreApplication::processEvents();
                const QPixmap panel = controller.panel().grab();
                // A desk behind it: a translucent panel shows what lies below.
                QImage shot(panel.size() + QSize(48, 48), QImage::Format_ARGB32_Premultiplied);
                shot.fill(dark ? QColor(24, 40, 64) : QColor(170, 190, 215));
                QPainter painter(&shot);
                painter.setPen(dark ? QColor(60, 80, 110) : QColor(120, 140, 170));
                for (int y = 0; y < shot.height(); y += 23)
                    painter.drawText(4, y, QStringLiteral("Ein Text dahinter, der durchscheint."));
                // Without a compositor the window shows only inside its shape.
                if (!controller.panel().mask().isEmpty())
                    painter.setClipRegion(controller.panel().mask().translated(24, 24));
                painter.drawPixmap(24, 24, panel);
                painter.end();
                GalleryOutput::save(
                    shot,
                    QStringLiteral("%1/%2-%3%4.png")
                        .arg(folder, QLatin1String(look.name), GalleryOutput::appearance(dark),
                             composited ? QStringLiteral("-glass") : QString()));
                controller.hide();
                clock.advance(1s);
                actions.setDemoForceScreenHint(false);
                actions.setSession(nullptr);
            }
        }
    }
}
