#include "Platform/linux/DialogFolderChooser.h"

#include <QApplication>
#include <QFileDialog>

namespace Platform {

std::optional<QString> DialogFolderChooser::chooseFolder(const QString& message,
                                                         const QString& start) {
    const QString folder = QFileDialog::getExistingDirectory(QApplication::activeWindow(), message,
                                                             start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

}  // namespace Platform
