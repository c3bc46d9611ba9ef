#include "ui/replace_string_dlg.h"

#include "edit/cell_edit.h"
#include "model/parameter.h"
#include "ui/code_page.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace CorvDesktop {

CReplaceStringDlg::Stored CReplaceStringDlg::StoredText(int field, const QString& typed,
                                                        const CCodePage& page) {
    const bool name = field <= 1;
    const std::string encoded = page.Encode(typed);
    const std::string filtered =
        name ? Corv::FilterName(encoded, page.IsDoubleByte()) : Corv::FilterMemo(encoded);
    const std::string stored =
        name ? Corv::StoredName(encoded, page.IsDoubleByte()) : Corv::StoredMemo(encoded);
    Stored result{page.Decode(stored), {}};
    if (page.Decode(encoded) != typed)
        result.reasons
            << tr("Characters that the code page %1 cannot hold are left out.").arg(page.Name());
    if (filtered != encoded)
        result.reasons << (name ? tr("Characters that a name cannot contain are left out: "
                                     "\\ / : * ? \" < > |, control characters and %1.")
                                      .arg(page.IsDoubleByte()
                                               ? tr("double-byte characters")
                                               : tr("the characters coded 0x81-0x9F and "
                                                    "0xE0-0xFC (such as \u00e9, \u00fc, \u0160)"))
                                : tr("Line breaks and tabs become blanks; other control "
                                     "characters are left out."));
    if (stored.size() < filtered.size())
        result.reasons
            << (name ? tr("A name keeps only its first %1 characters.").arg(Corv::kNameLength)
                     : tr("A memo keeps only its first %1 characters.").arg(Corv::kMemoLength));
    if (result.reasons.isEmpty() && result.text != typed) // a change no rule above names
        result.reasons << tr("The text is stored differently.");
    return result;
}

CReplaceStringDlg::CReplaceStringDlg(int field, const QString& text, const CCodePage& page,
                                     QWidget* parent)
    : QDialog(parent), m_field(field), m_page(page) {
    const bool name = field <= 1;
    setWindowTitle(name ? tr("Edit Name") : tr("Edit Memo"));
    m_label =
        new QLabel(name ? QStringLiteral("Name") : QStringLiteral("Memo%1").arg(field - 1), this);
    m_edit = new QLineEdit(text, this);
    m_edit->setMinimumWidth(m_edit->fontMetrics().averageCharWidth() * 45);
    m_edit->selectAll();
    m_note = new QLabel(this);
    m_note->setTextFormat(Qt::PlainText);
    m_note->setWordWrap(true);
    m_note->setMinimumWidth(m_edit->minimumWidth());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_edit, &QLineEdit::textChanged, this, &CReplaceStringDlg::UpdateNote);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_edit);
    layout->addWidget(m_note);
    layout->addWidget(buttons);
    UpdateNote();
    m_edit->setFocus();
}

QString CReplaceStringDlg::Text() const {
    return m_edit->text();
}

QString CReplaceStringDlg::Label() const {
    return m_label->text();
}

QString CReplaceStringDlg::Note() const {
    return m_note->text();
}

void CReplaceStringDlg::UpdateNote() {
    const Stored stored = StoredText(m_field, m_edit->text(), m_page);
    if (stored.reasons.isEmpty()) {
        m_note->clear();
        m_note->hide();
        return;
    }
    m_note->setText(tr("Will be stored as: \u201c%1\u201d").arg(stored.text) + u'\n' +
                    stored.reasons.join(u'\n'));
    m_note->show();
    // The box grows to show the whole note, keeping the width it has.
    layout()->activate();
    const int needed = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width())
                                                     : sizeHint().height();
    if (needed > height())
        resize(width(), needed);
}

} // namespace CorvDesktop
