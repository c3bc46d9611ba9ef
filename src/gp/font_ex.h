#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <array>

class QWidget;

namespace GP {

// A font with a text colour that keeps itself in the settings profile as a face name, the
// thirteen numbers of a logical font ("%d,...,%d") and a colour (0x00BBGGRR as an integer).
class CFontEx {
public:
    // The number of integers of the stored attribute text.
    static constexpr int kAttributeCount = 13;

    CFontEx();

    const QFont& Font() const { return m_font; }
    const QColor& Color() const { return m_color; }
    void SetFont(const QFont& font) { m_font = font; }
    void SetColor(const QColor& color) { m_color = color; }

    // Writes "<prefix>FaceName", "<prefix>Attribute" and "<prefix>Color" into the section.
    void Save(const QString& section, const QString& prefix) const;
    // Reads them back; a missing or empty face name or attribute gives the default GUI font
    // (and black). Returns true when a stored font was used.
    bool Load(const QString& section, const QString& prefix);

    // The thirteen numbers of a font: height (negative: pixel height of the characters),
    // width, escapement, orientation, weight, italic, underline, strike-out, character set,
    // output precision, clipping precision, quality, pitch and family.
    static std::array<int, kAttributeCount> Attributes(const QFont& font);
    // A font of the face with the stored numbers; numbers missing from the text count as 0.
    static QFont FromAttributes(const QString& face, const QString& attributes);
    // The colour as the stored integer (red in the low byte) and back.
    static int ColorToInt(const QColor& color);
    static QColor ColorFromInt(int value);

private:
    QFont m_font;
    QColor m_color;
};

} // namespace GP
