#pragma once

#include <QImage>
#include <QString>

// Where the gallery's pictures go, and the one way to write them: a picture that cannot be
// written fails the run.
namespace GalleryOutput {

// The folder <gallery>/<name>, made when missing.
QString folder(const QString& name);
// Light or dark, as the file names say it.
inline QString appearance(bool dark) {
    return dark ? QStringLiteral("dark") : QStringLiteral("light");
}
// Where the pictures go; the build folder's gallery/ unless the run names another.
void setRoot(const QString& path);
void save(const QImage& image, const QString& path);
int failures();

}  // namespace GalleryOutput
