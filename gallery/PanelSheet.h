#pragma once

#include <QCoreApplication>
#include <QPainter>
#include <QVBoxLayout>
#include <QWidget>
#include <functional>

#include "Design/Palette.h"
#include "Design/Theme.h"
#include "GalleryOutput.h"
#include "Platform/fake/FakeAppearance.h"
#include "Platform/fake/FakeClock.h"

// Renders panel sections on the panel's tint, 560 wide with its padding, light and dark, into
// panel-sections/ of the gallery.
class PanelSheet {
public:
    class Backdrop : public QWidget {
    protected:
        void paintEvent(QPaintEvent*) override {
            QPainter painter(this);
            painter.fillRect(rect(), DS::Palette::window.resolve(this));
            painter.fillRect(rect(), DS::Palette::panelTint.resolve(this));
        }
    };

    // `make` fills the backdrop's column.
    static void render(
        const QString& name,
        const std::function<void(QWidget* backdrop, QVBoxLayout*, Platform::FakeClock&)>& make) {
        const QString folder = GalleryOutput::folder(QStringLiteral("panel-sections"));
        for (const bool dark : {false, true}) {
            Platform::FakeAppearance appearance;
            appearance.setDark(dark);
            Platform::FakeClock clock;
            Theme theme(appearance, clock);
            Backdrop page;
            auto* layout = new QVBoxLayout(&page);
            layout->setContentsMargins(14, 14, 14, 14);
            layout->setSpacing(10);
            make(&page, layout, clock);
            page.setFixedWidth(560);
            page.show();
            for (int i = 0; i < 4; ++i) {
                QCoreApplication::processEvents();
                clock.advance(std::chrono::seconds(1));
                page.adjustSize();
            }
            const QString path =
                folder + QLatin1Char('/') + name + (dark ? "-dark.png" : "-light.png");
            GalleryOutput::save(page.grab().toImage(), path);
        }
    }
};
