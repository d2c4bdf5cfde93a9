#pragma once

#include <QHash>
#include <functional>
#include <mutex>

#include "Platform/WindowImages.h"

namespace Platform {

// Pictures by window id; a window without one gives no picture (and `error`).
class FakeWindowImages final : public WindowImages {
public:
    Grab grab(quint32 windowId) override {
        std::lock_guard lock(mutex_);
        ++grabs_;
        if (!images_.contains(windowId))
            return {QImage(), error_};
        return {images_.value(windowId), {}};
    }

    void set(quint32 windowId, const QImage& image) {
        std::lock_guard lock(mutex_);
        images_.insert(windowId, image);
    }
    void remove(quint32 windowId) {
        std::lock_guard lock(mutex_);
        images_.remove(windowId);
    }
    void setError(const QString& error) {
        std::lock_guard lock(mutex_);
        error_ = error;
    }
    int grabs() const {
        std::lock_guard lock(mutex_);
        return grabs_;
    }

private:
    mutable std::mutex mutex_;
    QHash<quint32, QImage> images_;
    QString error_;
    int grabs_ = 0;
};

}  // namespace Platform
