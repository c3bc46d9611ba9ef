#include "app/input_text_dialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace CorvDesktop {

CFolderNameEdit::CFolderNameEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, &CFolderNameEdit::DropForbidden);
}

bool CFolderNameEdit::IsForbidden(QChar c) {
    // Control characters (a pasted tab or line break) make no folder name either.
    return c.unicode() < 0x20 || QStringView(u"\"*/:<>?\\|").contains(c);
}

QString CFolderNameEdit::Filtered(const QString& text) {
    QString result;
    for (QChar c : text)
        if (!IsForbidden(c))
            result += c;
    return result;
}

void CFolderNameEdit::DropForbidden(const QString& text) {
    const QString filtered = Filtered(text);
    if (filtered == text)
        return;
    // The cursor stays where it was, less the characters dropped before it.
    const int cursor = cursorPosition();
    const int dropped =
        static_cast<int>(text.left(cursor).size() - Filtered(text.left(cursor)).size());
    setText(filtered);
    setCursorPosition(cursor - dropped);
}

CInputTextDialog::CInputTextDialog(const QString& title, QWidget* parent)
    : QDialog(parent), m_edit(new CFolderNameEdit(this)) {
    setWindowTitle(title);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
    m_edit->setMinimumWidth(m_edit->fontMetrics().averageCharWidth() * 45);
    m_edit->setFocus();
}

void CInputTextDialog::SetText(const QString& text) {
    m_edit->setText(text);
    m_edit->selectAll();
    m_edit->setFocus();
}

QString CInputTextDialog::Text() const {
    return m_edit->text();
}

} // namespace CorvDesktop
