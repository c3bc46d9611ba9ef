#include "ui/system_folder.h"

#include <QFileInfo>

QString SystemFolder(const QString& folder) {
    const QString real = QFileInfo(folder).canonicalFilePath();
    return real.isEmpty() ? folder : real;
}
