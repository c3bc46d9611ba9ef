#include "gp/profile.h"

#include <QSettings>
#include <QStringList>

namespace GP {

namespace {

QString Key(const QString& section, const QString& entry) {
    return section + u'/' + entry;
}

} // namespace

int GetProfileInt(const QString& section, const QString& entry, int defaultValue) {
    const QVariant value = QSettings().value(Key(section, entry));
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? number : defaultValue;
}

void WriteProfileInt(const QString& section, const QString& entry, int value) {
    QSettings().setValue(Key(section, entry), value);
}

QString GetProfileString(const QString& section, const QString& entry,
                         const QString& defaultValue) {
    const QVariant value = QSettings().value(Key(section, entry));
    return value.isValid() ? value.toString() : defaultValue;
}

void WriteProfileString(const QString& section, const QString& entry, const QString& value) {
    QSettings().setValue(Key(section, entry), value);
}

QByteArray GetProfileBinary(const QString& section, const QString& entry) {
    return QSettings().value(Key(section, entry)).toByteArray();
}

void WriteProfileBinary(const QString& section, const QString& entry, const QByteArray& value) {
    QSettings().setValue(Key(section, entry), value);
}

bool HasProfileEntry(const QString& section, const QString& entry) {
    return QSettings().contains(Key(section, entry));
}

QString FormatFourInts(int a, int b, int c, int d) {
    return QStringLiteral("%1,%2,%3,%4").arg(a).arg(b).arg(c).arg(d);
}

bool ParseFourInts(const QString& text, int& a, int& b, int& c, int& d) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return false;
    int values[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return false;
    }
    a = values[0];
    b = values[1];
    c = values[2];
    d = values[3];
    return true;
}

} // namespace GP
