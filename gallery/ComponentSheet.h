#pragma once

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <QWidget>
#include <functional>
#include <vector>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/Theme.h"
#include "GalleryOutput.h"
#include "Platform/fake/FakeAppearance.h"
#include "Platform/fake/FakeClock.h"

// Renders rows of components on the window background, light and dark, at 1x and 2x, into
// design/ of the gallery.
class ComponentSheet {
public:
    using Row = std::pair<QString, std::function<QWidget*()>>;

    class Page : public QWidget {
    public:
        explicit Page(const DS::Color& background) : background_(background) {}

    protected:
        void paintEvent(QPaintEvent*) override {
            QPainter painter(this);
            painter.fillRect(rect(), background_.resolve(this));
        }

    private:
        DS::Color background_;
    };

    // Writes <name>-light.png, <name>-dark.png and their @2x versions.
    static void render(const QString& name, const std::vector<Row>& rows,
                       const DS::Color& background = DS::Palette::window, int width = 520,
                       const std::function<void(Platform::FakeClock&)>& beforeGrab = {}) {
        const QString folder = GalleryOutput::folder(QStringLiteral("design"));
        for (const bool dark : {false, true}) {
            Platform::FakeAppearance appearance;
            appearance.setDark(dark);
            Platform::FakeClock clock(QDateTime(QDate(2026, 1, 15), QTime(9, 0, 0, 120), Qt::UTC));
            Theme theme(appearance, clock);
            Page page(background);
            auto* layout = new QVBoxLayout(&page);
            layout->setContentsMargins(16, 16, 16, 16);
            layout->setSpacing(10);
            for (const auto& [caption, make] : rows) {
                auto* row = new QWidget(&page);
                auto* rowLayout = new QHBoxLayout(row);
                rowLayout->setContentsMargins(0, 0, 0, 0);
                rowLayout->setSpacing(12);
                auto* label = new QLabel(caption, row);
                label->setFixedWidth(130);
                QPalette palette = label->palette();
                palette.setColor(QPalette::WindowText, DS::Palette::tertiary.resolve(dark));
                label->setPalette(palette);
                label->setFont(DS::Font::hint());
                rowLayout->addWidget(label);
                QWidget* component = make();
                component->setParent(row);
                rowLayout->addWidget(component);
                rowLayout->addStretch(1);
                layout->addWidget(row);
            }
            page.setFixedWidth(width);
            page.adjustSize();
            page.show();
            if (beforeGrab)
                beforeGrab(clock);
            const QString base = folder + QLatin1Char('/') + name + (dark ? "-dark" : "-light");
            GalleryOutput::save(page.grab().toImage(), base + ".png");
            QImage twice(page.size() * 2, QImage::Format_ARGB32_Premultiplied);
            twice.setDevicePixelRatio(2);
            twice.fill(Qt::transparent);
            page.render(&twice);
            GalleryOutput::save(twice, base + "@2x.png");
        }
    }
};
