#include "ui/clean_project_dlg.h"

#include "ui/code_page.h"
#include "ui/project_options.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace CorvDesktop {

namespace {

// The option bits of a dialog's choice: 1 waves, 2 tones, 4 tone numbering, 8 patch numbering.
std::size_t OptionBits(const std::array<std::uint32_t, 4>& options) {
    std::size_t bits = 0;
    for (std::size_t i = 0; i < options.size(); ++i)
        bits |= options[i] != 0 ? std::size_t{1} << i : 0;
    return bits;
}

} // namespace

CCleanProjectDlg::CCleanProjectDlg(const std::array<std::uint32_t, 4>& options,
                                   const CCodePage& page, QWidget* parent)
    : QDialog(parent), m_page(page) {
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

void CCleanProjectDlg::ShowPreviewOf(const Corv::CLumData& project) {
    if (m_data != nullptr)
        return;
    m_data = &project;
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    const int at = static_cast<int>(m_boxes.size());
    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    m_summary->setMinimumWidth(fontMetrics().averageCharWidth() * 60);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->insertSpacing(at, fontMetrics().height() / 2);
    layout->insertWidget(at + 1, m_summary);
    m_details = new QPushButton(tr("&Details..."), this);
    layout->insertWidget(at + 2, m_details, 0, Qt::AlignLeft);
    connect(m_details, &QPushButton::clicked, this, &CCleanProjectDlg::ShowDetails);
    for (QCheckBox* box : m_boxes)
        connect(box, &QCheckBox::toggled, this, &CCleanProjectDlg::UpdatePreview);
    UpdatePreview();
}

QString CCleanProjectDlg::Summary() const {
    return m_summary != nullptr ? m_summary->text() : QString();
}

const Corv::CleanPlan* CCleanProjectDlg::Plan() const {
    const std::optional<Corv::CleanPlan>& plan = m_plans[OptionBits(Options())];
    return m_data != nullptr && plan ? &*plan : nullptr;
}

void CCleanProjectDlg::UpdatePreview() {
    const std::array<std::uint32_t, 4> options = Options();
    std::optional<Corv::CleanPlan>& plan = m_plans[OptionBits(options)];
    if (!plan) {
        // The dry run copies and cleans the whole project and sizes the waves that would go.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        plan = Corv::PlanClean(*m_data, CleanOptionsOf(options));
        QGuiApplication::restoreOverrideCursor();
    }
    const QString summary = QString::fromStdString(Corv::CleanSummary(*plan));
    m_summary->setText(plan->DoesNothing() ? tr("There is nothing to clean.")
                                           : tr("This clean %1.").arg(summary));
    m_details->setEnabled(!plan->changes.empty());
}

void CCleanProjectDlg::ShowDetails() {
    const Corv::CleanPlan* plan = Plan();
    if (plan == nullptr)
        return;
    auto* details = new CCleanDetailsDlg(*plan, m_summary->text(), m_page, this);
    details->setAttribute(Qt::WA_DeleteOnClose);
    details->open();
}

CCleanDetailsDlg::CCleanDetailsDlg(const Corv::CleanPlan& plan, const QString& summary,
                                   const CCodePage& page, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Clean Project: Details"));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(summary, this);
    heading->setWordWrap(true);
    layout->addWidget(heading);
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels({tr("Kind"), tr("Number"), tr("Becomes"), tr("Name")});
    const std::array<QString, 3> kinds = {tr("Patch"), tr("Tone"), tr("Wave")};
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(plan.changes.size()));
    for (const Corv::CleanChange& change : plan.changes) {
        const QString becomes = change.newNumber == 0
                                    ? tr("removed")
                                    : QStringLiteral("\u2192 %1").arg(change.newNumber);
        rows.append(new QTreeWidgetItem(QStringList{kinds[static_cast<std::size_t>(change.kind)],
                                                    QString::number(change.oldNumber), becomes,
                                                    page.Decode(change.name)}));
    }
    m_list->addTopLevelItems(rows);
    for (int column = 0; column < 3; ++column)
        m_list->resizeColumnToContents(column);
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(fontMetrics().averageCharWidth() * 64, fontMetrics().height() * 28);
}

} // namespace CorvDesktop
