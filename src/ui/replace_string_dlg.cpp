#include "ui/replace_string_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CReplaceStringDlg::CReplaceStringDlg(int field, const QString& text, QWidget* parent)
    : QDialog(parent) {
    const bool name = field <= 1;
    setWindowTitle(name ? tr("Edit Name") : tr("Edit Memo"));
    m_label = new QLabel(name ? QStringLiteral("Name") : QStringLiteral("Memo%1").arg(field - 1),
                         this);
    m_edit = new QLineEdit(text, this);
    m_edit->setMinimumWidth(m_edit->fontMetrics().averageCharWidth() * 30);
    m_edit->selectAll();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
    m_edit->setFocus();
}

QString CReplaceStringDlg::Text() const { return m_edit->text(); }

QString CReplaceStringDlg::Label() const { return m_label->text(); }
