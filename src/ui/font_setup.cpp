#include "ui/font_setup.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace CorvDesktop {

namespace {

const QString kOption = QStringLiteral("Option");
const QString kFont = QStringLiteral("Font");

} // namespace

void CListFont::Set(const QFont& font, const QColor& color) {
    m_font.SetFont(font);
    m_font.SetColor(color);
    emit Changed();
}

void CListFont::Load() {
    m_font.Load(kOption, kFont);
    emit Changed();
}

void CListFont::Save() const {
    m_font.Save(kOption, kFont);
}

CFontSetupDialog::CFontSetupDialog(const QFont& font, const QColor& color, QWidget* parent)
    : QDialog(parent), m_fonts(new QFontDialog(font, this)), m_colorButton(new QPushButton(this)) {
    setWindowTitle(QStringLiteral("Set Up Font"));
    // The chooser is shown inside this window, with its own buttons hidden.
    m_fonts->setWindowFlags(Qt::Widget);
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    SetSelectedColor(color);
    connect(m_colorButton, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(m_color, this, QStringLiteral("Text Colour"));
        if (chosen.isValid())
            SetSelectedColor(chosen);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fonts);
    layout->addWidget(m_colorButton, 0, Qt::AlignLeft);
    layout->addWidget(buttons);
}

QFont CFontSetupDialog::SelectedFont() const {
    return m_fonts->currentFont();
}

void CFontSetupDialog::SetSelectedColor(const QColor& color) {
    m_color = color;
    m_colorButton->setText(QStringLiteral("&Colour: %1").arg(color.name()));
}

bool SetUpListFont(QWidget* parent, CListFont& font) {
    CFontSetupDialog dialog(font.Font(), font.Color(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    font.Set(dialog.SelectedFont(), dialog.SelectedColor());
    return true;
}

} // namespace CorvDesktop
