// The introduction and the settings window as they open on a 1366 × 768 screen at 150 % and a
// 1024 × 600 screen at 120 %, the screen drawn around them with a title bar where the window
// manager puts one, light and dark, in small-screens/ of the gallery.
#include <QCoreApplication>
#include <QPainter>
#include <QTest>

#include "Design/Theme.h"
#include "Design/WindowFit.h"
#include "GalleryOutput.h"
#include "GalleryPages.h"
#include "Onboarding/FakeOnboardingCoordinator.h"
#include "Onboarding/OnboardingView.h"
#include "Onboarding/OnboardingWindowController.h"
#include "Platform/fake/FakeAppearance.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Window/SettingsView.h"

namespace {

struct SmallDesk {
    const char* name;
    QSize pixels;
    qreal scale;
};

const SmallDesk kSmallDesks[] = {{"1366x768-150", {1366, 768}, 1.5},
                                 {"1024x600-120", {1024, 600}, 1.2}};

// About what openbox draws around a window.
constexpr QMargins kFrame(1, 20, 1, 1);

// `window` drawn where its frame stands on the desk, at the desk's scale.
QImage onDesk(const SmallDesk& desk, bool dark, QWidget& window, const QRect& frame,
              const QString& title) {
    QImage shot(desk.pixels, QImage::Format_ARGB32_Premultiplied);
    shot.setDevicePixelRatio(desk.scale);
    shot.fill(dark ? QColor(24, 40, 64) : QColor(170, 190, 215));
    QPainter painter(&shot);
    painter.fillRect(frame, QColor(80, 110, 160));
    painter.setPen(Qt::white);
    painter.drawText(QRect(frame.topLeft(), QSize(frame.width(), kFrame.top())), Qt::AlignCenter,
                     title);
    window.render(&painter, frame.topLeft() + QPoint(kFrame.left(), kFrame.top()), QRegion(),
                  QWidget::DrawChildren);
    return shot;
}

}  // namespace

void GalleryPages::windowsOnSmallScreens() {
    const QString folder = GalleryOutput::folder(QStringLiteral("small-screens"));
    for (const SmallDesk& desk : kSmallDesks) {
        const QRect available(QPoint(0, 0), (QSizeF(desk.pixels) / desk.scale).toSize());
        for (const bool dark : {false, true}) {
            Platform::FakeAppearance appearance;
            appearance.setDark(dark);
            {
                FakeOnboardingCoordinator coordinator;
                Theme theme(appearance, coordinator.clock());
                OnboardingWindowController controller(coordinator);
                controller.show();
                QWidget* window = controller.window();
                const QSize outer = OnboardingView::size.grownBy(kFrame);
                const QRect frame =
                    WindowFit::frame(OnboardingView::size, kFrame, available,
                                     OnboardingWindowController::placement(
                                         available, outer.boundedTo(available.size())));
                window->setFixedSize(frame.size().shrunkBy(kFrame));
                for (int step = 0; step < OnboardingView::steps; ++step) {
                    QTest::qWait(OnboardingView::fadeDuration + 100);
                    GalleryOutput::save(
                        onDesk(desk, dark, *window, frame, QStringLiteral("Tavrin")),
                        QStringLiteral("%1/%2-introduction-step%3-%4.png")
                            .arg(folder, QLatin1String(desk.name))
                            .arg(step)
                            .arg(GalleryOutput::appearance(dark)));
                    controller.view()->primaryAction();
                }
            }
            {
                FakeSettingsCoordinator coordinator;
                Theme theme(appearance, coordinator.clock());
                SettingsView view(coordinator);
                const QSize outer = SettingsView::minimumContentSize.grownBy(kFrame);
                QRect centred(QPoint(), outer.boundedTo(available.size()));
                centred.moveCenter(available.center());
                const QRect frame = WindowFit::frame(SettingsView::minimumContentSize, kFrame,
                                                     available, centred.topLeft());
                view.setMinimumSize(
                    SettingsView::minimumContentSize.boundedTo(frame.size().shrunkBy(kFrame)));
                view.resize(frame.size().shrunkBy(kFrame));
                view.show();
                for (int pass = 0; pass < 8; ++pass)
                    QCoreApplication::processEvents();
                GalleryOutput::save(
                    onDesk(desk, dark, view, frame, QStringLiteral("Einstellungen")),
                    QStringLiteral("%1/%2-settings-%3.png")
                        .arg(folder, QLatin1String(desk.name), GalleryOutput::appearance(dark)));
            }
        }
    }
}
