#pragma once

#include <QString>

namespace GP {

// Modes of FormatNumber.
enum NumberFormat : int { kDecimal = 0, kUnsignedHex = 1, kSignedHex = 2 };

// An integer as text: decimal ("%d"), unsigned hexadecimal ("0x%X") or signed hexadecimal
// ("0x%X", "-0x%X" of the absolute value for a negative number).
QString FormatNumber(int value, int mode);

} // namespace GP
