#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>

namespace GP {

// The application's settings profile: (section, entry) pairs in the QSettings store of the
// organisation and application set on QCoreApplication. Integers stay integers, rectangles are
// "%d,%d,%d,%d" texts.
int GetProfileInt(const QString& section, const QString& entry, int defaultValue);
void WriteProfileInt(const QString& section, const QString& entry, int value);
QString GetProfileString(const QString& section, const QString& entry,
                         const QString& defaultValue = QString());
void WriteProfileString(const QString& section, const QString& entry, const QString& value);
QByteArray GetProfileBinary(const QString& section, const QString& entry);
void WriteProfileBinary(const QString& section, const QString& entry, const QByteArray& value);
// True when the entry exists.
bool HasProfileEntry(const QString& section, const QString& entry);

// "%d,%d,%d,%d" of four integers, and its reading (false unless all four are numbers).
QString FormatFourInts(int a, int b, int c, int d);
bool ParseFourInts(const QString& text, int& a, int& b, int& c, int& d);

} // namespace GP
