#pragma once

class QCoreApplication;
class QTranslator;

// Qt's own texts (a folder dialog, the context menu of a text field, the buttons of a standard
// dialog) in German, as the rest of the interface is, whatever language the desktop speaks.
namespace QtTranslations {

// Installs Qt's German catalogue, owned by `app`; none when it is not installed on this
// system (Qt's texts then stay English).
QTranslator* installGerman(QCoreApplication& app);

}  // namespace QtTranslations
