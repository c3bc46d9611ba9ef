#include "ui/clean_project_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QVBoxLayout>

#include "edit/domain.h"

CCleanProjectDlg::CCleanProjectDlg(const std::array<std::uint32_t, 4>& options, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Clean Project"));
    const std::array<QString, 4> texts = {tr("Keep Unused User &Waves"),
                                          tr("Keep Unused User &Tones"), tr("Keep Tone &Numbering"),
                                          tr("Keep &Patch Numbering")};
    auto* layout = new QVBoxLayout(this);
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        m_boxes[i] = new QCheckBox(texts[i], this);
        m_boxes[i]->setChecked(options[i] != 0);
        layout->addWidget(m_boxes[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::array<std::uint32_t, 4> CCleanProjectDlg::Options() const {
    std::array<std::uint32_t, 4> options{};
    for (std::size_t i = 0; i < m_boxes.size(); ++i)
        options[i] = m_boxes[i]->isChecked() ? 1 : 0;
    return options;
}

std::array<std::uint32_t, 4> CCleanProjectDlg::StoreOptions() {
    const Corv::CDomain& domain = Corv::CDomain::Get();
    return {domain.m_waveOption, domain.m_toneOption, domain.m_tnumOption, domain.m_pnumOption};
}

void CCleanProjectDlg::SetStoreOptions(const std::array<std::uint32_t, 4>& options) {
    Corv::CDomain& domain = Corv::CDomain::Get();
    domain.m_waveOption = options[0] != 0 ? 1 : 0;
    domain.m_toneOption = options[1] != 0 ? 1 : 0;
    domain.m_tnumOption = options[2] != 0 ? 1 : 0;
    domain.m_pnumOption = options[3] != 0 ? 1 : 0;
}
