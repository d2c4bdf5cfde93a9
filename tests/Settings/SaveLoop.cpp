// Saves the settings over and over until it is killed; prints a line after the first save.
#include <QCoreApplication>
#include <cstdio>

#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeLoginItem.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Settings/SettingsStore.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    Platform::FakeLoginItem loginItem;
    Platform::FakeSystemLog log;
    Platform::FakeClock clock;
    SettingsStore store(QString::fromLocal8Bit(argv[1]), {loginItem, log, clock});

    // Large enough that a write takes a while, so the kill often lands inside one.
    Project project;
    project.name = QStringLiteral("Projekt");
    project.keywords = QStringList(200, QStringLiteral("ein Stichwort, das Platz braucht"));
    for (long round = 0;; ++round) {
        store.update([&](AssistantSettings& s) {
            s.aboutMe = QStringLiteral("Durchlauf %1").arg(round);
            project.id = QUuid::createUuid();
            s.projects = QList<Project>(20, project);
        });
        if (round == 0) {
            std::puts("saved");
            std::fflush(stdout);
        }
    }
}
