#include "Context/WindowCapture.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <cmath>
#include <mutex>

#include "Platform/ScreenPixels.h"

using Platform::DesktopWindows;
using Platform::WindowImages;

namespace {

constexpr qreal minimumSide = 80;
constexpr qreal bandAbove = 1400;
constexpr qreal bandBelow = 120;
constexpr int minimumBand = 40;
constexpr int maximumWidth = 1600;
constexpr int jpegQuality = 80;

}  // namespace

class WindowCapture::Shot {
public:
    explicit Shot(quint32 windowId) : windowId_(windowId) {}

    quint32 windowId() const { return windowId_; }
    void set(WindowImages::Grab grab) {
        std::lock_guard lock(mutex_);
        grab_ = std::move(grab);
    }
    std::optional<WindowImages::Grab> grab() const {
        std::lock_guard lock(mutex_);
        return grab_;
    }

private:
    const quint32 windowId_;
    mutable std::mutex mutex_;
    std::optional<WindowImages::Grab> grab_;
};

WindowCapture::WindowCapture(DesktopWindows& windows, WindowImages& images,
                             Platform::ScreenCaptureAccess& access)
    : windows_(windows), images_(images), access_(access) {
    // One at a time and in order: a capture that uses a picture taken ahead finds it done.
    pool_.setMaxThreadCount(1);
}

WindowCapture::~WindowCapture() {
    pool_.waitForDone();
}

std::shared_ptr<WindowCapture::Shot> WindowCapture::takeAhead(quint32 windowId,
                                                              std::function<void()> ready) {
    auto shot = std::make_shared<Shot>(windowId);
    pool_.start([this, shot, ready = std::move(ready)]() mutable {
        shot->set(images_.grab(shot->windowId()));
        QMetaObject::invokeMethod(this, std::move(ready), Qt::QueuedConnection);
    });
    return shot;
}

void WindowCapture::capture(qint32 pid, const std::optional<QRectF>& anchor, bool crop,
                            const std::shared_ptr<Shot>& ahead, Done done) {
    auto deliver = [this, done = std::move(done)](std::optional<Result> result, QString error) {
        QMetaObject::invokeMethod(
            this,
            [done, result = std::move(result), error = std::move(error)] { done(result, error); },
            Qt::QueuedConnection);
    };
    if (!access_.isGranted()) {
        deliver(std::nullopt, {});
        return;
    }
    const auto window = choose(windows_.windows(), pid, anchor);
    if (!window) {
        deliver(std::nullopt, {});
        return;
    }
    // The picture comes in device pixels, at the scale of the screen showing the window.
    const QSize pixels = Platform::ScreenPixels::ofQt().toDevice(window->frame).size().toSize();
    std::shared_ptr<Shot> early = ahead && ahead->windowId() == window->id ? ahead : nullptr;
    pool_.start([this, window = *window, pixels, anchor = crop ? anchor : std::nullopt, early,
                 deliver = std::move(deliver)] {
        std::optional<WindowImages::Grab> grab = early ? early->grab() : std::nullopt;
        if (!grab || grab->image.isNull())
            grab = images_.grab(window.id);
        if (grab->image.isNull()) {
            deliver(std::nullopt, grab->error);
            return;
        }
        QImage image = std::move(grab->image);
        if (image.size() != pixels && !pixels.isEmpty())
            image = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        bool cropped = false;
        if (anchor) {
            if (const auto band = cropBand(image.size(), window.frame, *anchor)) {
                image = image.copy(*band);
                cropped = true;
            }
        }
        QByteArray jpeg = encodeJPEG(image);
        if (jpeg.isEmpty()) {
            deliver(std::nullopt, {});
            return;
        }
        deliver(Result{std::move(jpeg), cropped}, {});
    });
}

QRectF WindowCapture::cocoaRect(const QRectF& rect, std::optional<qreal> primaryHeight) {
    return QRectF(rect.left(), primaryHeight.value_or(0) - rect.bottom(), rect.width(),
                  rect.height());
}

QRectF WindowCapture::cocoaRect(const QRectF& rect) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return cocoaRect(rect,
                     primary ? std::optional<qreal>(primary->geometry().height()) : std::nullopt);
}

std::optional<DesktopWindows::Window> WindowCapture::choose(
    const std::vector<DesktopWindows::Window>& windows, qint32 pid,
    const std::optional<QRectF>& anchor) {
    std::optional<DesktopWindows::Window> first;
    for (const DesktopWindows::Window& window : windows) {
        if (window.processId != pid || window.frame.width() <= minimumSide ||
            window.frame.height() <= minimumSide)
            continue;
        if (!anchor || window.frame.intersects(*anchor))
            return window;
        if (!first)
            first = window;
    }
    return first;
}

std::optional<QRect> WindowCapture::cropBand(const QSize& image, const QRectF& frame,
                                             const QRectF& anchor) {
    if (frame.width() <= 0 || image.isEmpty())
        return std::nullopt;
    const qreal s = image.width() / frame.width();
    const qreal top = std::max(frame.top(), anchor.top() - bandAbove);
    const qreal bottom = std::min(frame.bottom(), anchor.bottom() + bandBelow);
    // Whole pixels, rounded outward.
    const int y0 = static_cast<int>(std::floor(s * (top - frame.top())));
    const int y1 = static_cast<int>(std::ceil(s * (bottom - frame.top())));
    if (y1 <= y0)
        return std::nullopt;
    // A band reaching past the picture would be filled with black there: only what the
    // picture has counts.
    const QRect band =
        QRect(QPoint(0, y0), QPoint(image.width() - 1, y1 - 1)) & QRect(QPoint(0, 0), image);
    if (band.height() <= minimumBand)
        return std::nullopt;
    return band;
}

QByteArray WindowCapture::encodeJPEG(const QImage& image) {
    if (image.isNull())
        return {};
    QImage source = image;
    if (source.width() > maximumWidth) {
        const int height =
            static_cast<int>(static_cast<double>(maximumWidth) / source.width() * source.height());
        if (height > 0)
            source = source.scaled(maximumWidth, height, Qt::IgnoreAspectRatio,
                                   Qt::SmoothTransformation);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!source.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPEG", jpegQuality))
        return {};
    return bytes;
}
