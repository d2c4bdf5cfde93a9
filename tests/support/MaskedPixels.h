#pragma once

#include <QImage>
#include <QRegion>

// How many pixels of `image` inside `mask` are not fully opaque. Without a compositor a window
// cut by a mask shows each such pixel blended with black.
inline int translucentPixelsInside(const QImage& image, const QRegion& mask) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (const QRect& rect : mask)
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                if (argb.rect().contains(x, y) && qAlpha(argb.pixel(x, y)) != 255)
                    ++count;
    return count;
}
