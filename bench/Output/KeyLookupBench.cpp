// What choosing the key for one of Tavrin's symbols costs on the main thread: the keyboard's
// layouts and the group in force are read from the X server at every key. Median and worst of
// 200, for one layout and for two.
#include <xcb/xcb.h>

#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "Platform/linux/KeyboardGroups.h"

using Platform::KeyboardGroups;

int main() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (!c || xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X server\n");
        return 1;
    }
    for (const char* layouts : {"us", "us,fr", "ru,us,de"}) {
        QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), layouts});
        std::vector<qint64> took;
        for (int i = 0; i < 200; ++i) {
            QElapsedTimer timer;
            timer.start();
            const std::optional<KeyboardGroups> keyboard = KeyboardGroups::read(c);
            const std::optional<int> group = KeyboardGroups::currentGroup(c);
            if (!keyboard || !group || keyboard->keyFor('v', *group) == 0) {
                std::fprintf(stderr, "no key for v\n");
                return 1;
            }
            took.push_back(timer.nsecsElapsed() / 1000);
        }
        std::sort(took.begin(), took.end());
        std::printf("%-10s median %6lld µs, worst %6lld µs\n", layouts,
                    static_cast<long long>(took[took.size() / 2]),
                    static_cast<long long>(took.back()));
    }
    xcb_disconnect(c);
    return 0;
}
