#include "gp/version_info.h"

#include <QStringList>

namespace GP {

QString VersionString(const QString& name) {
    if (name == u"FileDescription" || name == u"ProductName")
        return QStringLiteral("Corvane Librarian");
    if (name == u"FileVersion")
        return QStringLiteral(CORV_VERSION);
    if (name == u"ProductVersion")
        return QStringLiteral("%1,%2,%3,0")
            .arg(CORV_VERSION_MAJOR)
            .arg(CORV_VERSION_MINOR)
            .arg(CORV_VERSION_PATCH);
    if (name == u"CompanyName")
        return QStringLiteral("Brisko");
    if (name == u"LegalCopyright")
        return QStringLiteral("Copyright (C) Brisko. All rights reserved.");
    return QString();
}

void VersionNumbers(const QString& text, int numbers[4]) {
    const QStringList parts = text.split(u',');
    for (int i = 0; i < 4; ++i) {
        numbers[i] = 0;
        if (i < parts.size()) {
            bool ok = false;
            const int value = parts[i].trimmed().toInt(&ok);
            numbers[i] = ok ? value : 0;
        }
    }
}

} // namespace GP
