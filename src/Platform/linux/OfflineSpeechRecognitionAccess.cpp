#include "Platform/linux/OfflineSpeechRecognitionAccess.h"

#include <QMetaObject>

#include "Platform/linux/PocketsphinxModel.h"

namespace Platform {

AuthorizationStatus OfflineSpeechRecognitionAccess::status() {
    // A handful of stat calls: fast enough for the settings window's polling.
    // Any language will do: dictation in it can run.
    return PocketsphinxModel::installedTags().isEmpty() ? AuthorizationStatus::restricted
                                                        : AuthorizationStatus::authorized;
}

void OfflineSpeechRecognitionAccess::requestAuthorization(std::function<void()> done) {
    QMetaObject::invokeMethod(&mainThread_, std::move(done), Qt::QueuedConnection);
}

}  // namespace Platform
