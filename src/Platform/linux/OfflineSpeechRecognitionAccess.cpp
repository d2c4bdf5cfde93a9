#include "Platform/linux/OfflineSpeechRecognitionAccess.h"

#include <QMetaObject>

#include "Platform/linux/PocketsphinxModel.h"

namespace Platform {

AuthorizationStatus OfflineSpeechRecognitionAccess::status() {
    // A handful of stat calls: fast enough for the settings window's polling.
    return PocketsphinxModel::locate() ? AuthorizationStatus::authorized
                                       : AuthorizationStatus::restricted;
}

void OfflineSpeechRecognitionAccess::requestAuthorization(std::function<void()> done) {
    QMetaObject::invokeMethod(&mainThread_, std::move(done), Qt::QueuedConnection);
}

}  // namespace Platform
