#include "GalleryOutput.h"

#include <QDir>
#include <cstdio>

namespace GalleryOutput {

namespace {

QString root = QStringLiteral(TAVRIN_GALLERY_DIR);
int failed = 0;

}  // namespace

void setRoot(const QString& path) {
    root = path;
}

QString folder(const QString& name) {
    const QString path = root + QLatin1Char('/') + name;
    QDir().mkpath(path);
    return path;
}

void save(const QImage& image, const QString& path) {
    if (image.isNull() || !image.save(path)) {
        std::fprintf(stderr, "gallery: could not write %s\n", qUtf8Printable(path));
        ++failed;
    }
}

int failures() {
    return failed;
}

}  // namespace GalleryOutput
