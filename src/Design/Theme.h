#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace Platform {
class Appearance;
class Clock;
}  // namespace Platform

// What every component asks when it paints: dark or light, still or moving, and what time
// it is. The program creates one, before its first view, and keeps it for the whole run;
// components find it through current(). Without one (a test of a single view) colours
// follow the application palette, motion is on and time is the system's. Main thread.
class Theme final : public QObject {
    Q_OBJECT

public:
    Theme(Platform::Appearance& appearance, Platform::Clock& clock, QObject* parent = nullptr);
    ~Theme() override;

    static Theme* current();
    Platform::Clock& clock() const { return clock_; }

    // Dark for `widget`: forced on it or an ancestor (views that always draw dark, like a
    // HUD over any background), else what the desktop says.
    static bool isDark(const QWidget* widget);
    static bool reduceMotion();
    // Makes `widget` and its children draw their dark variants whatever the desktop says.
    static void setForcedDark(QWidget* widget, bool forced = true);

signals:
    // The desktop switched appearance or motion; visible widgets are already repainting.
    void changed();

private:
    void onAppearanceChanged();

    Platform::Appearance& appearance_;
    Platform::Clock& clock_;
    QPointer<Theme> previous_;
};
