#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QRectF>
#include <QThreadPool>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Platform/DesktopWindows.h"
#include "Platform/ScreenCaptureAccess.h"
#include "Platform/WindowImages.h"

// A JPEG of one window of the application the user works in, whole or cut to a band around
// the field (or the pointer), for the model to see what the user sees. Pictures are taken,
// cut and encoded on a thread of their own, one at a time; results come back on the main
// thread.
class WindowCapture final : public QObject {
public:
    struct Result {
        QByteArray jpeg;
        // The picture is the band around the anchor rather than the whole window.
        bool cropped = false;

        bool operator==(const Result&) const = default;
    };
    // A picture taken ahead of time, before Tavrin's own windows can cover it.
    class Shot;
    // No result and an empty error: nothing to take. An error: the system refused.
    using Done = std::function<void(std::optional<Result>, QString error)>;

    WindowCapture(Platform::DesktopWindows& windows, Platform::WindowImages& images,
                  Platform::ScreenCaptureAccess& access);
    // Waits for the picture under way; results not yet delivered are dropped.
    ~WindowCapture() override;

    // Starts taking window `windowId` now; `ready` is called on the main thread once it is
    // taken (whether or not there is a picture).
    std::shared_ptr<Shot> takeAhead(quint32 windowId, std::function<void()> ready);
    // A picture of the window of process `pid` that `anchor` (top-left coordinates) lies on,
    // else its front window, cut to the band around `anchor` when `crop` is set. Uses `ahead`
    // when it shows the chosen window.
    void capture(qint32 pid, const std::optional<QRectF>& anchor, bool crop,
                 const std::shared_ptr<Shot>& ahead, Done done);

    // From top-left screen coordinates to the bottom-left ones of the original placement
    // rules: (minX, H − maxY, width, height), H the height of the primary screen, or 0 when
    // there is none.
    static QRectF cocoaRect(const QRectF& rect, std::optional<qreal> primaryHeight);
    // The same against the primary screen as Qt knows it.
    static QRectF cocoaRect(const QRectF& rect);
    // The window to take: of `pid`, larger than 80 × 80, the first (front to back) that
    // `anchor` touches, else the first.
    static std::optional<Platform::DesktopWindows::Window> choose(
        const std::vector<Platform::DesktopWindows::Window>& windows, qint32 pid,
        const std::optional<QRectF>& anchor);
    // The band of an `image` of the window at `frame` from 1400 above to 120 below `anchor`,
    // in whole pixels and inside the image; none when less than 41 pixels high.
    static std::optional<QRect> cropBand(const QSize& image, const QRectF& frame,
                                         const QRectF& anchor);
    // At most 1600 pixels wide, quality 80; empty when it cannot be encoded.
    static QByteArray encodeJPEG(const QImage& image);

private:
    Platform::DesktopWindows& windows_;
    Platform::WindowImages& images_;
    Platform::ScreenCaptureAccess& access_;
    QThreadPool pool_;
};
