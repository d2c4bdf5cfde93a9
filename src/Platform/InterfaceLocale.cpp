#include "Platform/InterfaceLocale.h"

namespace InterfaceLocale {

QLocale locale() {
    return QLocale(QLocale::German, QLocale::Germany);
}

}  // namespace InterfaceLocale
