#include "gp/font_ex.h"

#include "gp/profile.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace GP {

namespace {

// Logical font weights run 100-900 like Qt's; 0 means "normal".
constexpr int kNormalWeight = 400;

int PixelHeight(const QFont& font) {
    if (font.pixelSize() > 0)
        return font.pixelSize();
    return QFontInfo(font).pixelSize();
}

} // namespace

CFontEx::CFontEx()
    : m_font(QFontDatabase::systemFont(QFontDatabase::GeneralFont)), m_color(Qt::black) {}

std::array<int, CFontEx::kAttributeCount> CFontEx::Attributes(const QFont& font) {
    std::array<int, kAttributeCount> values{};
    values[0] = -PixelHeight(font);
    values[4] = font.weight();
    values[5] = font.italic() ? 1 : 0;
    values[6] = font.underline() ? 1 : 0;
    values[7] = font.strikeOut() ? 1 : 0;
    values[8] = 1; // default character set
    return values;
}

QFont CFontEx::FromAttributes(const QString& face, const QString& attributes) {
    std::array<int, kAttributeCount> values{};
    const QStringList parts = attributes.split(u',');
    for (int i = 0; i < kAttributeCount && i < parts.size(); ++i)
        values[static_cast<std::size_t>(i)] = parts[i].trimmed().toInt();
    QFont font(face);
    if (values[0] != 0)
        font.setPixelSize(std::abs(values[0]));
    const int weight = values[4] > 0 ? std::clamp(values[4], 1, 1000) : kNormalWeight;
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(values[5] != 0);
    font.setUnderline(values[6] != 0);
    font.setStrikeOut(values[7] != 0);
    return font;
}

int CFontEx::ColorToInt(const QColor& color) {
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

QColor CFontEx::ColorFromInt(int value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

void CFontEx::Save(const QString& section, const QString& prefix) const {
    const auto values = Attributes(m_font);
    QStringList numbers;
    for (int value : values)
        numbers << QString::number(value);
    WriteProfileString(section, prefix + QStringLiteral("FaceName"), m_font.family());
    WriteProfileString(section, prefix + QStringLiteral("Attribute"), numbers.join(u','));
    WriteProfileInt(section, prefix + QStringLiteral("Color"), ColorToInt(m_color));
}

bool CFontEx::Load(const QString& section, const QString& prefix) {
    const QString face = GetProfileString(section, prefix + QStringLiteral("FaceName"));
    const QString attributes = GetProfileString(section, prefix + QStringLiteral("Attribute"));
    if (face.isEmpty() || attributes.isEmpty()) {
        m_font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        m_color = Qt::black;
        return false;
    }
    m_font = FromAttributes(face, attributes);
    m_color = ColorFromInt(GetProfileInt(section, prefix + QStringLiteral("Color"), 0));
    return true;
}

} // namespace GP
