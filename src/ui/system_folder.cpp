#include "ui/system_folder.h"

#include <QFileInfo>

namespace CorvDesktop {

QString SystemFolder(const QString& folder) {
    const QString real = QFileInfo(folder).canonicalFilePath();
    return real.isEmpty() ? folder : real;
}

} // namespace CorvDesktop
