#pragma once

#include "gp/font_ex.h"

#include <QDialog>
#include <QObject>

class QFontDialog;
class QPushButton;

namespace CorvDesktop {

// The font and text colour of every list, kept in the settings (section "Option", prefix
// "Font"). Lists read Font()/Color() when they refill; project windows follow Changed().
class CListFont : public QObject {
    Q_OBJECT
public:
    const QFont& Font() const { return m_font.Font(); }
    const QColor& Color() const { return m_font.Color(); }
    // Makes a font and colour current and tells the lists.
    void Set(const QFont& font, const QColor& color);

    void Load();
    void Save() const;

signals:
    void Changed();

private:
    GP::CFontEx m_font;
};

// The Set Up Font window: the font chooser with a colour button.
class CFontSetupDialog : public QDialog {
    Q_OBJECT
public:
    CFontSetupDialog(const QFont& font, const QColor& color, QWidget* parent = nullptr);

    QFont SelectedFont() const;
    QColor SelectedColor() const { return m_color; }
    void SetSelectedColor(const QColor& color);

private:
    QFontDialog* m_fonts;
    QPushButton* m_colorButton;
    QColor m_color;
};

// Set Up Font: on OK the chosen font and colour become the lists' (every project window follows,
// keeping its column widths). False when cancelled.
bool SetUpListFont(QWidget* parent, CListFont& font);

} // namespace CorvDesktop
