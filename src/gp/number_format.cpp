#include "gp/number_format.h"

#include <cstdint>

namespace GP {

QString FormatNumber(int value, int mode) {
    switch (mode) {
    case kUnsignedHex:
        return QStringLiteral("0x") +
               QString::number(static_cast<std::uint32_t>(value), 16).toUpper();
    case kSignedHex: {
        // The absolute value is taken in 64 bits so that the most negative number has one.
        const std::int64_t wide = value;
        const QString digits =
            QString::number(static_cast<std::uint64_t>(wide < 0 ? -wide : wide), 16).toUpper();
        return (wide < 0 ? QStringLiteral("-0x") : QStringLiteral("0x")) + digits;
    }
    default:
        return QString::number(value);
    }
}

} // namespace GP
