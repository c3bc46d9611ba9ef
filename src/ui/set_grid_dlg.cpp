#include "ui/set_grid_dlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace CorvDesktop {

CSetGridDlg::CSetGridDlg(int gridSw, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Set Up Grid"));
    auto* group = new QGroupBox(this);
    m_off = new QRadioButton(tr("Grid &OFF"), group);
    m_on = new QRadioButton(tr("Grid O&N"), group);
    (gridSw != 0 ? m_on : m_off)->setChecked(true);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_off);
    groupLayout->addWidget(m_on);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

int CSetGridDlg::Value() const {
    return m_on->isChecked() ? 1 : 0;
}

} // namespace CorvDesktop
