#pragma once

#include <QImage>
#include <QString>

namespace Platform {

// Pictures of other applications' windows. Blocking; call it from one worker thread at a time.
class WindowImages {
public:
    struct Grab {
        // Null when there is no picture.
        QImage image;
        // Why the system refused, when it did; empty when there was simply nothing to take.
        QString error;
    };

    virtual ~WindowImages() = default;
    // The content of window `windowId`, one pixel per device pixel. Never a picture that shows
    // one of Tavrin's own windows: where such a window covers part of it and its true content
    // is not available, that part is black; when it covers all of it, there is no picture.
    virtual Grab grab(quint32 windowId) = 0;
};

}  // namespace Platform
