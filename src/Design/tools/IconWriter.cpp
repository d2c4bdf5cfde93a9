// Writes the application icon for installation: an SVG and PNGs from 16 to 512 pixels in
// the folder layout of the icon theme (<folder>/hicolor/<size>x<size>/apps/<name>.png).
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

#include "Design/BrandMark.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <folder> <icon name>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (const int side : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const QString sizeFolder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(side);
        if (!QDir().mkpath(sizeFolder) ||
            !BrandMark::appIconImage(side).save(sizeFolder + QLatin1Char('/') + name + ".png")) {
            std::fprintf(stderr, "cannot write the %d pixel icon\n", side);
            return 1;
        }
    }
    const QString scalable = folder + QStringLiteral("/hicolor/scalable/apps");
    QFile svg(scalable + QLatin1Char('/') + name + ".svg");
    if (!QDir().mkpath(scalable) || !svg.open(QIODevice::WriteOnly) ||
        svg.write(BrandMark::appIconSvg()) < 0) {
        std::fprintf(stderr, "cannot write the scalable icon\n");
        return 1;
    }
    return 0;
}
